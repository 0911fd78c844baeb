// SPDX-License-Identifier: GPL-3.0-or-later
// The section [Filter] of a control file: what the walks of both columns leave out.
#pragma once

#include <string>
#include <string_view>

#include "reading/name_filter.h"

namespace zweiblick {

// Reads "Ausnahmen" and "Punktdateien" of [Filter] in the control file's text
// `content` into `filter`. Returns a line " * ...\r" for every pattern that
// cannot be used, every other key of the section, a key or the section given
// twice and a value too long to hold whole; empty when there is none.
std::string CheckFilterSection(std::string_view content, NameFilter& filter);

}  // namespace zweiblick
