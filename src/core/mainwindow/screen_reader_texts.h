// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader says of each control of the main window: a name that
// tells what the control is (the folder buttons show only a symbol) and a
// description of what it does, independent of the tool-tip option.
#pragma once

#include <string>

namespace zweiblick {

class MainWindow;

// Gives every control of the window its spoken name and description.
void DescribeControls(MainWindow& w);

// A relation marker as words ("-->" is "nach rechts kopieren"); any other text
// as it is.
std::string SpokenMarker(const std::string& marker);

}  // namespace zweiblick
