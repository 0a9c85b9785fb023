#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace torvelle::books {

// Where the controls of a section book page W wide go; see the page's
// resize handler. Widths in pixels at 96 dpi.
struct SectionBookLayout {
  int pane;               // SectionsPaneWidth
  int sectionsGridWidth;  // pane + 7
  int sectionsColumn;     // pane - 27
  int recordsLeft;        // pane + 9
  int recordsWidth;       // the rest of the page
  int navigatorWidth;     // bottom tool bar, which spans the page
  int buttonWidth;        // the Move button
  int linkBoxWidth;       // the section link check box
};
SectionBookLayout sectionBookLayout(int pageWidth);

// The phone book's three grid columns and its field edits' width.
struct PhoneColumns {
  int name;
  int homePhone;
  int workPhone;
};
PhoneColumns phoneColumns(int recordsWidth);
int phoneFieldWidth(int recordsWidth);

// What a double-click hands to the desktop. Only URLs leave the program,
// and only of schemes that open an address, never a local file or a script.
enum class HandOverKind {
  Mail,  // an e-mail field: a mailto: address
  Web,   // a web-site field: http(s) or ftp, http:// added to a bare host
  Link,  // a helpful link: as Web, or a mailto: address
};
struct HandOver {
  std::string url;      // empty: nothing to open
  std::string refusal;  // set when the text was refused; says why
};
HandOver handOverUrl(std::string_view text, HandOverKind kind);

// The sections a record can be moved to: those listed, in their order,
// except the section it is in.
std::vector<std::string> moveTargets(const std::vector<std::string>& sections,
                                     std::string_view currentSection);

}  // namespace torvelle::books
