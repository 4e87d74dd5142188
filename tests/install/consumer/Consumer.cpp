// Saves a structure through the installed library and converts a date.
#include <cstdio>

#include "exchange/ExchangeValues.h"
#include "library/model/OrvanStructure.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    using namespace Dorv::Orvan::Framework::Common;
    Classes::fullORVAN::OrvanStructure structure(L"2.25.42");
    structure.NewAddress()->ID = 7;
    const auto archive = structure.Save(std::wstring(argv[1], argv[1] + std::char_traits<char>::length(argv[1])));
    std::printf("%s %s\n", archive ? "saved" : "not saved",
                orvan::exchange::ToLibraryDate(40252.0).ToString().c_str());
    return archive ? 0 : 1;
}
