// What Help > About says: the program, its version, and the libraries it
// runs on with their versions and licences.
#pragma once

#include <QString>

namespace korvane {

// Rich text for a message box.
QString AboutText();

}  // namespace korvane
