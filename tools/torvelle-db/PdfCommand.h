#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace torvelle::tools {

// "pdf DIR OUT.pdf --day|--week|--month DATE | --phones [SECTION] | --dates
// [--password P]": the organizer's printed sheets from the tables under
// DIR/DB. `args` begin after "pdf". Paints with Qt Gui: a running
// QGuiApplication is used, otherwise one is made on the offscreen platform.
int runPdfCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace torvelle::tools
