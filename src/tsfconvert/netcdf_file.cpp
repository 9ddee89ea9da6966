#include "tsfconvert/netcdf_file.h"

#include <netcdf.h>
#include <sys/stat.h>

#include <cmath>

namespace corvane::tsfconvert {

static_assert(kNcGlobal == NC_GLOBAL);

namespace {

std::size_t TypeBytes(nc_type type) {
    switch (type) {
        case NC_BYTE:
        case NC_CHAR:
        case NC_UBYTE:
            return 1;
        case NC_SHORT:
        case NC_USHORT:
            return 2;
        case NC_INT:
        case NC_UINT:
        case NC_FLOAT:
            return 4;
        default:
            return 8;
    }
}

constexpr std::size_t Padded(std::size_t bytes) {
    return (bytes + 3) / 4 * 4;
}

// The fill value a writer leaves where nothing was written, when the variable names none.
std::optional<double> DefaultFill(nc_type type) {
    switch (type) {
        case NC_SHORT:
            return NC_FILL_SHORT;
        case NC_INT:
            return NC_FILL_INT;
        case NC_FLOAT:
            return static_cast<double>(NC_FILL_FLOAT);
        case NC_DOUBLE:
            return NC_FILL_DOUBLE;
        default:
            return std::nullopt;  // bytes have no default fill
    }
}

}  // namespace

NcFile::NcFile(std::string path) : path_(std::move(path)) {
    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0) {
        throw ConvertError("cannot read " + path_ + ": no such file");
    }
    if (!S_ISREG(info.st_mode)) {
        throw ConvertError(path_ + ": it is not a plain file");
    }
    // A relative path with a colon in it must never be taken for a remote address.
    const std::string local = path_.starts_with('/') ? path_ : "./" + path_;
    // Classic files are read through a buffer of this many bytes: the default, a file
    // system block, turns one strip of a field into dozens of system calls; more buys no
    // speed and costs a large grid's memory.
    std::size_t chunk = 1u << 16;
    const int status = nc__open(local.c_str(), NC_NOWRITE, &chunk, &id_);
    if (status != NC_NOERR) {
        id_ = -1;
        Fail(std::string("it is not a NetCDF file, or it is damaged (") + nc_strerror(status) +
             ")");
    }
    int format = 0;
    int mode = 0;
    Check(nc_inq_format_extended(id_, &format, &mode), "reading its format");
    if (format == NC_FORMATX_NC3) {
        CheckClassicSize(static_cast<std::size_t>(info.st_size));
    } else if (format != NC_FORMATX_NC_HDF5) {
        Fail("it is a NetCDF format this program does not read");
    }
}

NcFile::~NcFile() {
    if (id_ >= 0) {
        nc_close(id_);
    }
}

void NcFile::Fail(const std::string& what) const {
    throw ConvertError(path_ + ": " + what);
}

void NcFile::Check(int status, const std::string& what) const {
    if (status != NC_NOERR) {
        Fail(what + ": " + nc_strerror(status) +
             (status == NC_EHDFERR || status == NC_ENOTNC ? " (the file may be cut off)" : ""));
    }
}

// The library reads the missing end of a cut-off classic file as zeros. The header and the
// data it announces give the least size the file must have: the header's encoded size (as
// the classic format lays it out) plus every variable's data.
void NcFile::CheckClassicSize(std::size_t fileSize) const {
    int mode = 0;
    int format = 0;
    Check(nc_inq_format_extended(id_, &format, &mode), "reading its format");
    const bool cdf5 = (mode & NC_64BIT_DATA) != 0;
    const std::size_t count = cdf5 ? 8 : 4;  // sizes and counts
    const std::size_t offset = (mode & (NC_64BIT_OFFSET | NC_64BIT_DATA)) != 0 ? 8 : 4;
    const auto nameBytes = [&](const char* name) {
        return count + Padded(std::string(name).size());
    };
    const auto attributeBytes = [&](int variable) {
        int attributes = 0;
        Check(nc_inq_varnatts(id_, variable, &attributes), "reading its attributes");
        std::size_t bytes = 4 + count;
        for (int a = 0; a < attributes; ++a) {
            char name[NC_MAX_NAME + 1] = {};
            nc_type type = 0;
            std::size_t length = 0;
            Check(nc_inq_attname(id_, variable, a, name), "reading its attributes");
            Check(nc_inq_att(id_, variable, name, &type, &length), "reading its attributes");
            bytes += nameBytes(name) + 4 + count + Padded(length * TypeBytes(type));
        }
        return bytes;
    };
    int dimensions = 0;
    int variables = 0;
    int unlimited = -1;
    Check(nc_inq(id_, &dimensions, &variables, nullptr, &unlimited), "reading its header");
    std::size_t header = 4 + count + 4 + count;
    std::size_t records = 0;
    for (int d = 0; d < dimensions; ++d) {
        char name[NC_MAX_NAME + 1] = {};
        std::size_t length = 0;
        Check(nc_inq_dim(id_, d, name, &length), "reading its dimensions");
        header += nameBytes(name) + count;
        if (d == unlimited) {
            records = length;
        }
    }
    header += attributeBytes(NC_GLOBAL) + 4 + count;
    std::size_t fixedData = 0;
    std::size_t recordBytes = 0;
    std::size_t recordUnpadded = 0;
    int recordVariables = 0;
    for (int v = 0; v < variables; ++v) {
        char name[NC_MAX_NAME + 1] = {};
        nc_type type = 0;
        int rank = 0;
        int ids[NC_MAX_VAR_DIMS] = {};
        Check(nc_inq_var(id_, v, name, &type, &rank, ids, nullptr), "reading its variables");
        header += nameBytes(name) + count + static_cast<std::size_t>(rank) * count +
                  attributeBytes(v) + 4 + count + offset;
        std::size_t bytes = TypeBytes(type);
        bool record = false;
        for (int d = 0; d < rank; ++d) {
            std::size_t length = 0;
            Check(nc_inq_dimlen(id_, ids[d], &length), "reading its dimensions");
            if (ids[d] == unlimited) {
                record = true;
                continue;
            }
            // Far beyond any real file: the size check below would overflow.
            if (length > kMaxDimensionLength || bytes > (std::size_t{1} << 50) / (length + 1)) {
                Fail("the variable " + Quoted(name) + " is too large to be real");
            }
            bytes *= length;
        }
        if (record) {
            recordBytes += Padded(bytes);
            recordUnpadded = bytes;
            ++recordVariables;
        } else {
            fixedData += Padded(bytes);
        }
    }
    if (recordVariables == 1) {
        recordBytes = recordUnpadded;  // the records of a lone record variable are not padded
    }
    if (records > kMaxDimensionLength) {
        Fail("its record dimension is too long to be real");
    }
    const std::size_t expected = header + fixedData + records * recordBytes;
    // The last value's padding may be missing from the file.
    if (fileSize + 3 < expected) {
        Fail("the file is cut off: it holds " + std::to_string(fileSize) +
             " bytes, its header announces at least " + std::to_string(expected));
    }
}

int NcFile::FindVariable(const std::string& name) const {
    int variable = -1;
    return nc_inq_varid(id_, name.c_str(), &variable) == NC_NOERR ? variable : -1;
}

int NcFile::Variable(const std::string& name, const std::string& purpose) const {
    const int variable = FindVariable(name);
    if (variable < 0) {
        Fail("the file has no variable " + Quoted(name) + " (" + purpose + ")");
    }
    return variable;
}

std::vector<int> NcFile::Variables() const {
    int count = 0;
    Check(nc_inq_nvars(id_, &count), "reading its variables");
    std::vector<int> ids(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        ids[static_cast<std::size_t>(i)] = i;
    }
    return ids;
}

std::string NcFile::VariableName(int variable) const {
    char name[NC_MAX_NAME + 1] = {};
    Check(nc_inq_varname(id_, variable, name), "reading its variables");
    return name;
}

std::vector<NcDimension> NcFile::Dimensions(int variable) const {
    int rank = 0;
    Check(nc_inq_varndims(id_, variable, &rank), "reading its variables");
    std::vector<int> ids(static_cast<std::size_t>(rank));
    Check(nc_inq_vardimid(id_, variable, ids.data()), "reading its variables");
    std::vector<NcDimension> dimensions;
    for (const int id : ids) {
        char name[NC_MAX_NAME + 1] = {};
        std::size_t length = 0;
        Check(nc_inq_dim(id_, id, name, &length), "reading its dimensions");
        if (length > kMaxDimensionLength) {
            Fail("the dimension " + Quoted(name) + " of " + Quoted(VariableName(variable)) +
                 " has " + std::to_string(length) + " elements, too many to be real");
        }
        dimensions.push_back({name, length});
    }
    return dimensions;
}

bool NcFile::IsText(int variable) const {
    nc_type type = 0;
    Check(nc_inq_vartype(id_, variable, &type), "reading its variables");
    return type == NC_CHAR;
}

std::optional<std::string> NcFile::TextAttribute(int variable, const std::string& name) const {
    nc_type type = 0;
    std::size_t length = 0;
    if (nc_inq_att(id_, variable, name.c_str(), &type, &length) != NC_NOERR || type != NC_CHAR ||
        length > 64 * 1024) {
        return std::nullopt;
    }
    std::string text(length, '\0');
    Check(nc_get_att_text(id_, variable, name.c_str(), text.data()), "reading " + Quoted(name));
    while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::optional<double> NcFile::NumberAttribute(int variable, const std::string& name) const {
    nc_type type = 0;
    std::size_t length = 0;
    if (nc_inq_att(id_, variable, name.c_str(), &type, &length) != NC_NOERR || type == NC_CHAR ||
        type == NC_STRING || length == 0 || length > 64 * 1024) {
        return std::nullopt;
    }
    std::vector<double> values(length);
    Check(nc_get_att_double(id_, variable, name.c_str(), values.data()), "reading " + Quoted(name));
    return values.front();
}

void NcFile::ReadRaw(int variable, const std::vector<std::size_t>& start,
                     const std::vector<std::size_t>& count, std::vector<double>& values) const {
    std::size_t total = 1;
    for (const std::size_t n : count) {
        total *= n;
        if (total > kMaxFieldValues) {
            Fail("the variable " + Quoted(VariableName(variable)) + " is too large to read");
        }
    }
    values.resize(total);
    if (total == 0) {
        return;
    }
    Check(nc_get_vara_double(id_, variable, start.data(), count.data(), values.data()),
          "reading " + Quoted(VariableName(variable)));
}

NcFile::Packing NcFile::PackingOf(int variable) const {
    Packing packing;
    nc_type type = 0;
    Check(nc_inq_vartype(id_, variable, &type), "reading its variables");
    if (const auto fill = NumberAttribute(variable, "_FillValue")) {
        packing.fills.push_back(*fill);
    } else if (const auto standard = DefaultFill(type)) {
        packing.fills.push_back(*standard);
    }
    nc_type missingType = 0;
    std::size_t missingCount = 0;
    if (nc_inq_att(id_, variable, "missing_value", &missingType, &missingCount) == NC_NOERR &&
        missingType != NC_CHAR && missingType != NC_STRING && missingCount > 0 &&
        missingCount <= 16) {
        std::vector<double> missing(missingCount);
        Check(nc_get_att_double(id_, variable, "missing_value", missing.data()),
              "reading \"missing_value\"");
        packing.fills.insert(packing.fills.end(), missing.begin(), missing.end());
    }
    packing.scale = NumberAttribute(variable, "scale_factor").value_or(1.0);
    packing.offset = NumberAttribute(variable, "add_offset").value_or(0.0);
    return packing;
}

double NcFile::Packing::Unpack(double raw) const {
    bool fill = !std::isfinite(raw);
    for (const double f : fills) {
        fill = fill || raw == f;
    }
    return fill ? std::nan("") : raw * scale + offset;
}

void NcFile::Read(int variable, const std::vector<std::size_t>& start,
                  const std::vector<std::size_t>& count, std::vector<double>& values) const {
    ReadRaw(variable, start, count, values);
    const Packing packing = PackingOf(variable);
    for (double& value : values) {
        value = packing.Unpack(value);
    }
}

void NcFile::ReadText(int variable, const std::vector<std::size_t>& start,
                      const std::vector<std::size_t>& count, std::string& text) const {
    std::size_t total = 1;
    for (const std::size_t n : count) {
        total *= n;
    }
    if (total > kMaxFieldValues) {
        Fail("the variable " + Quoted(VariableName(variable)) + " is too large to read");
    }
    text.assign(total, '\0');
    if (total > 0) {
        Check(nc_get_vara_text(id_, variable, start.data(), count.data(), text.data()),
              "reading " + Quoted(VariableName(variable)));
    }
}

}  // namespace corvane::tsfconvert
