// The section [Filter] of a control file: what the walks of both columns leave out.
#pragma once

#include <string>

#include "reading/name_filter.h"

namespace zweiblick {

// Reads "Ausnahmen" and "Punktdateien" of [Filter] in the control file
// `iniFileName` into `filter`. Returns a line " * ...\r" for every pattern that
// cannot be used and every other key of the section; empty when there is none.
std::string CheckFilterSection(std::string& iniFileName, NameFilter& filter);

}  // namespace zweiblick
