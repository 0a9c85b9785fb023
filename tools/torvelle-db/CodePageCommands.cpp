#include "CodePageCommands.h"

#include <filesystem>
#include <ostream>

#include "backup/Recode.h"
#include "exchange/Charset.h"
#include "support/CodePage.h"
#include "support/Utf8.h"

namespace torvelle::tools {
namespace {

std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// "Ж, у, к": the characters one by one, so that a lone accent is seen.
std::string listed(const std::string& characters) {
  std::string out;
  for (std::size_t pos = 0; pos < characters.size();) {
    const std::size_t start = pos;
    bool ok = false;
    support::decodeUtf8(characters, pos, ok);
    if (!out.empty()) out += ", ";
    out += characters.substr(start, pos - start);
  }
  return out;
}

std::string describe(const backup::UnfitInTable& unfit, int codePage) {
  const auto& text = unfit.text;
  const std::string page = "code page " + std::to_string(codePage);
  if (text.field.empty())
    return unfit.table + ": the password holds a character " + page +
           " lacks; change the password first";
  std::string where = text.record == format::UnfitText::kNoRecord
                          ? "the name of field " + quoted(text.field)
                          : "record " + std::to_string(text.record + 1) + ", field " +
                                quoted(text.field) + " " + quoted(text.value);
  return unfit.table + ": " + where + ": " + listed(text.characters) + " not in " + page;
}

// Code pages of Latin letters, where whole words of upper-half letters are
// rare; in the Greek, Hebrew and Arabic ones they are the rule.
bool latinCodePage(int codePage) {
  switch (codePage) {
    case 437:
    case 775:
    case 850:
    case 852:
    case 857:
    case 860:
    case 861:
    case 863:
    case 865:
    case 1250:
    case 1252:
    case 1254:
    case 1257:
    case 1258:
      return true;
    default:
      return false;
  }
}

}  // namespace

int commandRecode(const RecodeArguments& arguments, std::ostream& out, std::ostream& err) {
  backup::RecodeRequest request;
  request.codePage = arguments.codePage;
  request.readAs = arguments.readAs;
  request.passwords = arguments.passwords;
  const auto outcome = std::filesystem::is_directory(arguments.target)
                           ? backup::recodeFolder(arguments.target, request)
                           : backup::recodeTable(arguments.target, request);
  if (!outcome.unfit.empty()) {
    for (const auto& unfit : outcome.unfit) err << describe(unfit, arguments.codePage) << '\n';
    err << outcome.unfit.size() << (outcome.unfit.size() == 1 ? " text" : " texts")
        << " cannot be held in code page " << arguments.codePage << "; nothing was changed\n";
    return 1;
  }
  for (const auto& file : outcome.backup) out << "Backup taken first: " << file.string() << '\n';
  for (const auto& table : outcome.recoded)
    out << "Recoded " << table << " to code page " << arguments.codePage << '\n';
  for (const auto& table : outcome.unchanged)
    out << "Already in code page " << arguments.codePage << ": " << table << '\n';
  return 0;
}

std::string scriptHint(const format::TableFile& table) {
  const int codePage = table.info().codePage;
  const bool latin = latinCodePage(codePage);
  if (!latin && codePage != 1251) return {};
  // The guess works on the stored bytes, which the header's code page gives
  // back exactly.
  exchange::EightBitGuess guess;
  for (const auto& record : table.readAll()) {
    for (const auto& value : record) {
      const auto* text = std::get_if<std::string>(&value);
      if (!text) continue;
      try {
        guess.add(support::fromUtf8(*text, codePage));
      } catch (const support::CodePageError&) {
      }
    }
  }
  int readsAs = 0;
  if (latin && guess.cyrillicWords() > guess.latinWords()) readsAs = 1251;
  if (codePage == 1251 && guess.latinWords() > guess.cyrillicWords()) readsAs = 1252;
  if (readsAs == 0) return {};
  const std::string as = std::to_string(readsAs);
  return std::string("hint: the text reads as ") +
         (readsAs == 1251 ? "Cyrillic words" : "accented Latin words") + " of code page " + as +
         ", not as text of code page " + std::to_string(codePage) +
         " that the header names; --read-as " + as + " reads it so, and recode --read-as " + as +
         " --code-page " + as + " mends the header";
}

}  // namespace torvelle::tools
