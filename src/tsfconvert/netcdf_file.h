#pragma once

// Reading a NetCDF file through the netCDF C library: an open file that closes itself,
// variables, dimensions and attributes by name, and values read as doubles with packing
// (scale_factor, add_offset) and fill values (_FillValue, missing_value, the type's default
// fill) applied. Every failure is a ConvertError that names the file and what is wrong.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tsfconvert/input_file.h"

namespace corvane::tsfconvert {

/// Longest dimension accepted, and most values one grid field may hold: a 20 000 x 20 000
/// grid, far beyond any regional model, keeps a field of doubles within 3.2 GB.
inline constexpr std::size_t kMaxDimensionLength = 100'000'000;
inline constexpr std::size_t kMaxFieldValues = 400'000'000;

/// The variable id of the file's own attributes (the library's NC_GLOBAL).
inline constexpr int kNcGlobal = -1;

struct NcDimension {
    std::string name;
    std::size_t length = 0;
};

class NcFile {
public:
    /// Opens a plain file. Refuses anything that is not NetCDF (classic, 64-bit offset, CDF-5
    /// or NetCDF-4) or whose data end before the header says they do.
    explicit NcFile(std::string path);
    ~NcFile();
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;

    const std::string& Path() const { return path_; }

    /// The variable's id, or -1 when the file has none of that name.
    int FindVariable(const std::string& name) const;
    /// The variable's id; throws naming the file and the variable when it is absent.
    int Variable(const std::string& name, const std::string& purpose) const;
    /// All variables' ids.
    std::vector<int> Variables() const;
    std::string VariableName(int variable) const;
    std::vector<NcDimension> Dimensions(int variable) const;
    bool IsText(int variable) const;

    /// A text attribute of a variable (NC_GLOBAL for the file's), trimmed of trailing NULs.
    std::optional<std::string> TextAttribute(int variable, const std::string& name) const;
    /// The first value of a numeric attribute.
    std::optional<double> NumberAttribute(int variable, const std::string& name) const;

    /// Values of the hyperslab [start, start + count) in the variable's dimension order, as
    /// stored (no unpacking, no fill): for coordinates and times.
    void ReadRaw(int variable, const std::vector<std::size_t>& start,
                 const std::vector<std::size_t>& count, std::vector<double>& values) const;
    /// How stored values become real ones: fill and missing values, packing.
    struct Packing {
        std::vector<double> fills;
        double scale = 1;
        double offset = 0;
        double Unpack(double raw) const;
    };
    Packing PackingOf(int variable) const;

    /// The same, unpacked, with fill and missing values as NaN.
    void Read(int variable, const std::vector<std::size_t>& start,
              const std::vector<std::size_t>& count, std::vector<double>& values) const;
    /// Characters of a text variable's hyperslab.
    void ReadText(int variable, const std::vector<std::size_t>& start,
                  const std::vector<std::size_t>& count, std::string& text) const;

    /// "FILE: " plus what failed, for errors about this file.
    [[noreturn]] void Fail(const std::string& what) const;

private:
    void Check(int status, const std::string& what) const;
    void CheckClassicSize(std::size_t fileSize) const;

    std::string path_;
    int id_ = -1;
};

}  // namespace corvane::tsfconvert
