#include "support/page_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace corvane::testing {

namespace {

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string::npos
               ? ""
               : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The references the report writes for markup; numeric ones beyond the apostrophe stay.
std::string Unescape(std::string text) {
    for (const auto& [reference, character] : {std::pair{"&lt;", "<"},
                                               {"&gt;", ">"},
                                               {"&quot;", "\""},
                                               {"&#39;", "'"},
                                               {"&amp;", "&"}}) {
        for (std::size_t at = text.find(reference); at != std::string::npos;
             at = text.find(reference, at + 1)) {
            text.replace(at, std::strlen(reference), character);
        }
    }
    return text;
}

void Collect(const Element& e, const std::function<bool(const Element&)>& match,
             std::vector<const Element*>& out) {
    for (const Element& c : e.children) {
        if (match(c)) {
            out.push_back(&c);
        }
        Collect(c, match, out);
    }
}

}  // namespace

std::string Element::Attribute(const std::string& key) const {
    for (const auto& [k, v] : attributes) {
        if (k == key) {
            return v;
        }
    }
    return "";
}

double Element::Number(const std::string& key) const {
    return NumberLabel(Attribute(key));
}

std::string Element::AllText() const {
    std::string out = text;
    for (const Element& c : children) {
        out += c.AllText();
    }
    return Trim(out);
}

std::vector<const Element*> Element::Find(const std::function<bool(const Element&)>& match) const {
    std::vector<const Element*> out;
    Collect(*this, match, out);
    return out;
}

std::vector<const Element*> Element::Named(const std::string& element) const {
    return Find([&](const Element& e) { return e.name == element; });
}

const Element* Element::WithId(const std::string& id) const {
    const auto found = Find([&](const Element& e) { return e.Attribute("id") == id; });
    return found.empty() ? nullptr : found.front();
}

std::string Element::Title() const {
    for (const Element& c : children) {
        if (c.name == "title") {
            return c.AllText();
        }
    }
    return "";
}

Element ReadPage(const std::string& text) {
    std::vector<Element> open(1);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = std::min(text.find('<', at), text.size());
        open.back().text += Unescape(text.substr(at, start - at));
        const std::size_t end = text.find('>', start);
        if (start == text.size() || end == std::string::npos) {
            break;
        }
        at = end + 1;
        std::string tag = text.substr(start + 1, end - start - 1);
        if (tag.starts_with("!")) {
            continue;  // <!DOCTYPE ...>
        }
        if (tag.starts_with("/")) {
            EXPECT_TRUE(open.size() > 1 && "/" + open.back().name == tag)
                << "<" << tag << "> at byte " << start;
            if (open.size() > 1) {
                Element done = std::move(open.back());
                open.pop_back();
                open.back().children.push_back(std::move(done));
            }
            continue;
        }
        const bool empty = tag.ends_with("/");
        Element e;
        e.name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
        for (std::size_t equals = tag.find("=\""); equals != std::string::npos;
             equals = tag.find("=\"", equals + 1)) {
            const std::size_t name = tag.find_last_of(" \t\r\n", equals) + 1;
            const std::size_t close = tag.find('"', equals + 2);
            if (close == std::string::npos) {
                ADD_FAILURE() << "<" << tag << "> cut short";
                break;
            }
            e.attributes.emplace_back(tag.substr(name, equals - name),
                                      Unescape(tag.substr(equals + 2, close - equals - 2)));
            equals = close;
        }
        (empty ? open.back().children : open).push_back(std::move(e));
    }
    EXPECT_EQ(open.size(), 1u) << "<" << open.back().name << "> not closed";
    return std::move(open.front());
}

std::string Cells::At(std::size_t row, const std::string& column) const {
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
    Point lo{INFINITY, INFINITY}, hi{-INFINITY, -INFINITY};
    for (const Point& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2};
}

std::vector<PathPiece> ReadPath(const std::string& d) {
    std::vector<PathPiece> pieces;
    const char* at = d.c_str();
    const auto number = [&] { return std::strtod(at, const_cast<char**>(&at)); };
    Point now;
    while (*at != '\0') {
        const char command = *at++;
        if (command == 'M') {
            pieces.emplace_back();
        }
        if (command == ' ' || command == 'Z' || pieces.empty()) {
            EXPECT_FALSE(pieces.empty()) << d;
            continue;
        }
        if (command == 'A') {
            pieces.back().radii.push_back(number());
            for (int skipped = 0; skipped < 4; ++skipped) {
                number();  // the second radius, the rotation and the two flags
            }
        }
        if (command == 'h' || command == 'v') {
            (command == 'h' ? now.x : now.y) += number();
        } else if (command == 'M' || command == 'L' || command == 'A') {
            now.x = number();
            now.y = number();
        } else {
            ADD_FAILURE() << "path command " << command << " in " << d;
            break;
        }
        pieces.back().points.push_back(now);
    }
    return pieces;
}

Scale Fit(const std::vector<std::pair<double, double>>& pairs) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : pairs) {
        n += 1;
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    Scale s;
    if (n < 2 || n * sxx == sx * sx) {
        ADD_FAILURE() << "a scale from fewer than two distinct points";
        return s;
    }
    s.factor = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    s.offset = (sy - s.factor * sx) / n;
    return s;
}

double NumberLabel(const std::string& label) {
    char* end = nullptr;
    const double v = std::strtod(label.c_str(), &end);
    return label.empty() || *end != '\0' ? NAN : v;
}

Scale AxisScale(const Element& svg, bool horizontal,
                const std::function<double(const std::string&)>& label) {
    std::vector<std::pair<double, double>> pairs;
    const auto lines = svg.Named("line");
    for (const Element* t : svg.Named("text")) {
        const double value = label(t->AllText());
        if (std::isnan(value) || t->Attribute("text-anchor") != (horizontal ? "middle" : "end")) {
            continue;
        }
        for (const Element* l : lines) {
            // A tick: a short line across the axis, its label beyond its outer end.
            const double along = horizontal ? l->Number("x1") : l->Number("y1");
            const double across = horizontal ? std::max(l->Number("y1"), l->Number("y2"))
                                             : std::min(l->Number("x1"), l->Number("x2"));
            const double length =
                horizontal ? l->Number("y2") - l->Number("y1") : l->Number("x2") - l->Number("x1");
            const double gap = horizontal ? t->Number("y") - across : across - t->Number("x");
            const double off = (horizontal ? t->Number("x") : t->Number("y")) - along;
            if ((horizontal ? l->Number("x2") : l->Number("y2")) == along &&
                std::fabs(length) < 10 && gap > 0 && gap < 20 && std::fabs(off) < 8) {
                pairs.emplace_back(along, value);
                break;
            }
        }
    }
    return Fit(pairs);
}

void ExpectDrawn(double drawn, double expected, const Scale& scale, const std::string& what) {
    EXPECT_NEAR(drawn, expected, 0.25 * scale.Resolution() + 1e-9) << what;
}

Point MarkerAt(const Element* marker, const Scale& x, const Scale& y) {
    const Point p = ReadPath(marker->Attribute("d")).at(0).Middle();
    return {x.Value(p.x), y.Value(p.y)};
}

std::vector<std::vector<Point>> LineAt(const Element* path, const Scale& x, const Scale& y) {
    std::vector<std::vector<Point>> out;
    for (const PathPiece& piece : ReadPath(path == nullptr ? "" : path->Attribute("d"))) {
        out.emplace_back();
        for (const Point& p : piece.points) {
            if (out.back().empty() || x.Value(p.x) != out.back().back().x) {  // a dot: "h0"
                out.back().push_back({x.Value(p.x), y.Value(p.y)});
            }
        }
    }
    return out;
}

const Element* SeriesPath(const Element& svg, const std::string& name) {
    const auto all = svg.Find([](const Element&) { return true; });
    const auto style = [](const Element* e) {
        auto a = e->attributes;
        std::erase_if(a, [](const auto& pair) { return pair.first == "d"; });
        return a;
    };
    const Element* sample = nullptr;
    for (const Element* e : all) {
        if (e->name == "text" && e->AllText() == name) {
            for (const Element* p : all) {
                const bool line = p->name == "path" && p->Attribute("fill") == "none";
                if (sample != nullptr && line && p != sample && style(p) == style(sample)) {
                    return p;
                }
            }
            break;
        }
        sample = e->name == "path" && e->Attribute("fill") == "none" ? e : sample;
    }
    ADD_FAILURE() << "no line drawn for " << name;
    return nullptr;
}

std::vector<const Element*> Titled(const Element& svg, const std::string& prefix) {
    return svg.Find([&](const Element& e) {
        const std::string title = e.Title();
        return e.name == "path" && !title.empty() && title.starts_with(prefix);
    });
}

Stats StatsOf(const Pairs& pairs, bool direction) {
    Stats s;
    s.n = static_cast<double>(pairs.size());
    for (const auto& [o, p] : pairs) {
        const double d = direction ? std::remainder(p - o, 360) : p - o;
        s.meanO += o / s.n;
        s.meanP += p / s.n;
        s.bias += d / s.n;
        s.ge += std::fabs(d) / s.n;
        s.rmse += d * d / s.n;
    }
    double soo = 0, spp = 0, sop = 0, agreement = 0;
    for (const auto& [o, p] : pairs) {
        soo += (o - s.meanO) * (o - s.meanO);
        spp += (p - s.meanP) * (p - s.meanP);
        sop += (o - s.meanO) * (p - s.meanP);
        agreement += std::pow(std::fabs(p - s.meanO) + std::fabs(o - s.meanO), 2);
    }
    s.ioa = 1 - s.rmse * s.n / agreement;
    s.rmse = std::sqrt(s.rmse);
    s.r = sop / std::sqrt(soo * spp);
    s.ratio = std::sqrt(spp / soo);
    s.slope = sop / soo;
    s.intercept = s.meanP - s.slope * s.meanO;
    return s;
}

}  // namespace corvane::testing
