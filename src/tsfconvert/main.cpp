// tsfconvert: converts CSV files and ISD-Lite station archives into a time series file.

#include <iostream>
#include <string>
#include <vector>

#include "tsf/temporary_files.h"
#include "tsfconvert/convert.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    // Stopped by a signal, a conversion removes its temporary file.
    corvane::RemoveTemporaryFilesOnSignals();
    const int status = corvane::tsfconvert::RunConvert(arguments, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
