// Writes the composed sheets as the C++ source of the kolvar_sheets library.
#pragma once

#include <string>
#include <vector>

#include "sheet_compose.h"

namespace sheetc {

// One function per sheet, as declared in src/core/sheet_data.h. The indices
// are string literals, which compilers read far faster than long lists of
// numbers.
std::string EmitCpp(const std::vector<Sheet>& sheets);

}  // namespace sheetc
