#include "support/page_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace corvane::testing {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return first == std::string_view::npos ? "" : std::string(text.substr(first, last - first + 1));
}

void AppendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t end = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (end == std::string_view::npos) {
            out += text[i];
            continue;
        }
        const std::string_view name = text.substr(i + 1, end - i - 1);
        if (name == "amp" || name == "lt" || name == "gt" || name == "quot") {
            out += name == "amp" ? '&' : name == "lt" ? '<' : name == "gt" ? '>' : '"';
        } else if (!name.empty() && name[0] == '#') {
            const bool hex = name.size() > 1 && name[1] == 'x';
            AppendUtf8(out, std::strtoul(std::string(name.substr(hex ? 2 : 1)).c_str(), nullptr,
                                         hex ? 16 : 10));
        } else {
            ADD_FAILURE() << "unknown reference &" << name << ";";
        }
        i = end;
    }
    return out;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Element Document() {
        Element root;
        root.name = "#document";
        Content(root);
        if (at_ < text_.size()) {
            Fail("unexpected end tag");
        }
        return root;
    }

private:
    void Fail(const std::string& what) {
        if (!failed_) {
            ADD_FAILURE() << what << " at byte " << at_ << ": "
                          << text_.substr(at_ < 60 ? 0 : at_ - 60, 120);
        }
        failed_ = true;
        at_ = text_.size();
    }

    // Children and text up to the end tag of `parent` (left for the caller) or the end.
    void Content(Element& parent) {
        while (at_ < text_.size()) {
            const std::size_t tag = text_.find('<', at_);
            parent.text += Unescape(text_.substr(at_, tag - at_));
            if (tag == std::string_view::npos) {
                at_ = text_.size();
                return;
            }
            at_ = tag;
            if (text_.compare(at_, 2, "</") == 0) {
                return;
            }
            if (text_.compare(at_, 2, "<!") == 0 || text_.compare(at_, 2, "<?") == 0) {
                at_ = text_.find('>', at_);
                at_ = at_ == std::string_view::npos ? text_.size() : at_ + 1;
                continue;
            }
            parent.children.push_back(Tag());
        }
    }

    Element Tag() {
        Element e;
        ++at_;
        const std::size_t nameEnd = text_.find_first_of(" \t\r\n/>", at_);
        e.name = std::string(text_.substr(at_, nameEnd - at_));
        at_ = nameEnd;
        while (at_ < text_.size()) {
            at_ = text_.find_first_not_of(" \t\r\n", at_);
            if (at_ == std::string_view::npos) {
                break;
            }
            if (text_.compare(at_, 2, "/>") == 0) {
                at_ += 2;
                return e;
            }
            if (text_[at_] == '>') {
                ++at_;
                Content(e);
                const std::string end = "</" + e.name + ">";
                if (text_.compare(at_, end.size(), end) != 0) {
                    Fail("<" + e.name + "> not closed");
                }
                at_ += end.size();
                return e;
            }
            const std::size_t equals = text_.find("=\"", at_);
            const std::size_t close =
                equals == std::string_view::npos ? equals : text_.find('"', equals + 2);
            if (close == std::string_view::npos) {
                break;
            }
            e.attributes.emplace_back(Trim(text_.substr(at_, equals - at_)),
                                      Unescape(text_.substr(equals + 2, close - equals - 2)));
            at_ = close + 1;
        }
        Fail("<" + e.name + " cut short");
        return e;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

void Collect(const Element& e, const std::function<bool(const Element&)>& match,
             std::vector<const Element*>& out) {
    for (const Element& c : e.children) {
        if (match(c)) {
            out.push_back(&c);
        }
        Collect(c, match, out);
    }
}

void AppendText(const Element& e, std::string& out) {
    out += e.text;
    for (const Element& c : e.children) {
        AppendText(c, out);
    }
}

// A straight line of the axes' ticks: short, along one direction.
struct TickMark {
    double x, y;  // the end towards the labels
};

std::vector<TickMark> Ticks(const Element& svg, bool vertical) {
    std::vector<TickMark> ticks;
    for (const Element* l : svg.Named("line")) {
        const double x1 = l->Number("x1"), x2 = l->Number("x2");
        const double y1 = l->Number("y1"), y2 = l->Number("y2");
        if (vertical && x1 == x2 && std::fabs(y2 - y1) < 10) {
            ticks.push_back({x1, std::max(y1, y2)});
        } else if (!vertical && y1 == y2 && std::fabs(x2 - x1) < 10) {
            ticks.push_back({std::min(x1, x2), y1});
        }
    }
    return ticks;
}

// Least squares through (pixel, value) pairs.
Scale Fit(const std::vector<std::pair<double, double>>& pairs) {
    Scale s;
    s.ticks = static_cast<int>(pairs.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : pairs) {
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = static_cast<double>(pairs.size());
    const double d = n * sxx - sx * sx;
    if (pairs.size() >= 2 && d != 0) {
        s.factor = (n * sxy - sx * sy) / d;
        s.offset = (sy - s.factor * sx) / n;
    } else {
        ADD_FAILURE() << "an axis with fewer than two labelled ticks";
    }
    return s;
}

}  // namespace

std::string Element::Attribute(std::string_view key) const {
    for (const auto& [k, v] : attributes) {
        if (k == key) {
            return v;
        }
    }
    return "";
}

double Element::Number(std::string_view key) const {
    return NumberLabel(Attribute(key));
}

std::string Element::AllText() const {
    std::string out;
    AppendText(*this, out);
    return Trim(out);
}

std::vector<const Element*> Element::Find(const std::function<bool(const Element&)>& match) const {
    std::vector<const Element*> out;
    Collect(*this, match, out);
    return out;
}

std::vector<const Element*> Element::Named(std::string_view element) const {
    return Find([&](const Element& e) { return e.name == element; });
}

const Element* Element::WithId(std::string_view id) const {
    const auto found = Find([&](const Element& e) { return e.Attribute("id") == id; });
    return found.empty() ? nullptr : found.front();
}

Element ReadPage(std::string_view text) {
    return Parser(text).Document();
}

std::string Cells::At(std::size_t row, std::string_view column) const {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c] == column && row < rows.size() && c < rows[row].size()) {
            return rows[row][c];
        }
    }
    return "<none>";
}

Cells ReadTable(const Element& table) {
    Cells cells;
    for (const Element* row : table.Named("tr")) {
        std::vector<std::string> texts;
        bool header = true;
        for (const Element& cell : row->children) {
            texts.push_back(cell.AllText());
            header = header && cell.name == "th";
        }
        (header && cells.columns.empty() ? cells.columns : cells.rows.emplace_back()) = texts;
    }
    return cells;
}

Point PathPiece::Middle() const {
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (const Point& p : points) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return {(x0 + x1) / 2, (y0 + y1) / 2};
}

std::vector<PathPiece> ReadPath(std::string_view d) {
    std::vector<PathPiece> pieces;
    const std::string text(d);
    const char* at = text.c_str();
    const auto number = [&] {
        char* end = nullptr;
        const double v = std::strtod(at, &end);
        EXPECT_NE(end, at) << "a number in " << text;
        at = end;
        return v;
    };
    Point current;
    while (*at != '\0') {
        const char command = *at++;
        if (command == ' ') {
            continue;
        }
        if (command == 'M') {
            pieces.emplace_back();
        }
        EXPECT_FALSE(pieces.empty()) << text;
        if (pieces.empty()) {
            break;
        }
        switch (command) {
            case 'M':
            case 'L':
                current.x = number();
                current.y = number();
                break;
            case 'A': {
                pieces.back().radii.push_back(number());
                for (int skipped = 0; skipped < 4; ++skipped) {
                    number();  // the second radius, the rotation and the two flags
                }
                current.x = number();
                current.y = number();
                break;
            }
            case 'h':
                current.x += number();
                break;
            case 'v':
                current.y += number();
                break;
            case 'Z':
                continue;
            default:
                ADD_FAILURE() << "path command " << command << " in " << text;
                return pieces;
        }
        pieces.back().points.push_back(current);
    }
    return pieces;
}

double NumberLabel(const std::string& label) {
    char* end = nullptr;
    const double v = std::strtod(label.c_str(), &end);
    return label.empty() || *end != '\0' ? kNaN : v;
}

Scale HorizontalScale(const Element& svg, const LabelValue& value) {
    const std::vector<TickMark> ticks = Ticks(svg, true);
    std::vector<std::pair<double, double>> pairs;
    for (const Element* t : svg.Named("text")) {
        const double v = value(t->AllText());
        if (t->Attribute("text-anchor") != "middle" || std::isnan(v)) {
            continue;
        }
        for (const TickMark& m : ticks) {
            const double below = t->Number("y") - m.y;
            if (std::fabs(m.x - t->Number("x")) < 0.5 && below > 0 && below < 20) {
                pairs.emplace_back(m.x, v);
                break;
            }
        }
    }
    return Fit(pairs);
}

Scale VerticalScale(const Element& svg) {
    const std::vector<TickMark> ticks = Ticks(svg, false);
    std::vector<std::pair<double, double>> pairs;
    for (const Element* t : svg.Named("text")) {
        const double v = NumberLabel(t->AllText());
        if (t->Attribute("text-anchor") != "end" || std::isnan(v)) {
            continue;
        }
        for (const TickMark& m : ticks) {
            const double left = m.x - t->Number("x");
            if (std::fabs(m.y - t->Number("y")) < 8 && left > 0 && left < 12) {
                pairs.emplace_back(m.y, v);
                break;
            }
        }
    }
    return Fit(pairs);
}

const Element* SeriesPath(const Element& svg, std::string_view name) {
    std::vector<const Element*> all = svg.Find([](const Element&) { return true; });
    const Element* sample = nullptr;
    bool named = false;
    for (const Element* e : all) {
        if (e->name == "path" && e->Attribute("fill") == "none") {
            sample = e;
        } else if (e->name == "text" && e->AllText() == name) {
            named = true;
            break;
        }
    }
    if (!named || sample == nullptr) {
        ADD_FAILURE() << "no legend line " << name;
        return nullptr;
    }
    for (const Element* e : all) {
        if (e != sample && e->name == "path" && e->Attribute("fill") == "none" &&
            e->Attribute("stroke") == sample->Attribute("stroke") &&
            e->Attribute("stroke-dasharray") == sample->Attribute("stroke-dasharray") &&
            e->Attribute("stroke-width") == sample->Attribute("stroke-width")) {
            return e;
        }
    }
    ADD_FAILURE() << "no line drawn for " << name;
    return nullptr;
}

std::string TitleOf(const Element& e) {
    for (const Element& c : e.children) {
        if (c.name == "title") {
            return c.AllText();
        }
    }
    return "";
}

std::vector<const Element*> Titled(const Element& svg, std::string_view prefix) {
    return svg.Find(
        [&](const Element& e) { return e.name == "path" && TitleOf(e).starts_with(prefix); });
}

}  // namespace corvane::testing
