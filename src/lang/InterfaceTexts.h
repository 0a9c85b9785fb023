#pragma once
#include <span>
#include <string_view>

namespace torvelle::lang {

// Which text of a control an entry sets.
enum class TextRole {
  Caption,        // window title, button, label, check box, group box, menu item, page tab
  Hint,           // tool tip (the tray icon's hint)
  Tab,            // text of tab `index` of a tab bar
  Item,           // text of radio button `index` of a radio group, or item `index` of a list box
  ColumnTitle,    // title of column `index` of a grid
  NavigatorHint,  // hint of button `index` of a record navigator
  HintList,       // all hints of a record navigator at once
  Field,          // a text property of the window itself, named by `control`
};

// One text of one control: the window it lives in (by object name), the
// control inside it (by object name, empty for the window itself) and the
// text within the control.
struct TextTarget {
  std::string_view window;
  std::string_view control;
  TextRole role = TextRole::Caption;
  int index = 0;
};

// One entry of a language file and where its value goes. A language file
// that lacks the entry gets `english`.
struct TextEntry {
  std::string_view section;
  std::string_view key;
  std::string_view english;
  TextTarget target;
  bool padded = false;  // shown with one blank either side
};

// A text carried from one control to another, right after the entry named
// by `section` and `key` has been applied.
struct TextCopy {
  std::string_view section;
  std::string_view key;
  TextTarget from;
  TextTarget to;
};

// Every entry in the order in which they are applied.
std::span<const TextEntry> interfaceTexts();
// Every copy, in the order in which they are made after their entry.
std::span<const TextCopy> textCopies();

}  // namespace torvelle::lang
