#include "exchange/Import.h"

#include <set>

#include "engine/DbError.h"
#include "exchange/Books.h"
#include "support/CodePage.h"

namespace torvelle::exchange {
namespace {

std::string joined(const std::vector<std::string>& lines) {
  std::string text = std::to_string(lines.size()) + (lines.size() == 1 ? " record" : " records") +
                     " cannot be stored; nothing was imported (--skip-refused imports the rest):";
  for (const auto& line : lines) text += "\n  " + line;
  return text;
}

// The engine stores text of a code page it does not know as Windows-1252.
int storedCodePage(int codePage) {
  return support::codePageSupported(codePage) ? codePage : 1252;
}

std::set<std::string> sectionsNamed(const format::TableInfo& info,
                                    const std::vector<const ImportRow*>& rows) {
  std::set<std::string> names;
  const int section = fieldIndex(info, "Section");
  if (section < 0) return names;
  for (const ImportRow* row : rows) {
    if (const auto* name =
            std::get_if<std::string>(&row->record[static_cast<std::size_t>(section)])) {
      names.insert(*name);
    }
  }
  return names;
}

}  // namespace

RecordsRefused::RecordsRefused(std::vector<std::string> refused)
    : ExchangeError(joined(refused)), refused_(std::move(refused)) {}

std::string refusalReason(const format::TableInfo& info, const format::Record& record) {
  for (std::size_t f = 0; f < info.fields.size() && f < record.size(); ++f) {
    const auto& field = info.fields[f];
    // A time may be empty in a key; a day, a name or a section may not.
    if (static_cast<int>(f) < info.keyFieldCount && format::isNull(record[f]) &&
        field.type != format::FieldType::Time) {
      return "no " + field.name;
    }
    const auto* text = std::get_if<std::string>(&record[f]);
    if (!text) continue;
    std::string bytes;
    try {
      bytes = support::fromUtf8(*text, storedCodePage(info.codePage));
    } catch (const support::CodePageError& e) {
      return field.name + " \"" + *text + "\": " + e.what();
    }
    if (field.type == format::FieldType::Alpha && static_cast<int>(bytes.size()) > field.size) {
      return field.name + " \"" + *text + "\" has " + std::to_string(bytes.size()) +
             " characters, the field holds " + std::to_string(field.size);
    }
  }
  return {};
}

namespace {

// Sections the rows name that the sections table lacks.
std::vector<std::string> missingSections(format::TableFile& sections,
                                         const format::TableInfo& records,
                                         const std::vector<const ImportRow*>& rows) {
  std::set<std::string> existing;
  for (const auto& record : sections.readAll()) {
    if (const auto* name = record.empty() ? nullptr : std::get_if<std::string>(&record[0])) {
      existing.insert(*name);
    }
  }
  std::vector<std::string> missing;
  for (const auto& name : sectionsNamed(records, rows)) {
    if (!existing.contains(name)) missing.push_back(name);
  }
  return missing;
}

std::size_t addSections(format::TableFile& sections, const std::vector<std::string>& names) {
  std::size_t added = 0;
  for (const auto& name : names) {
    format::Record section(sections.info().fields.size());
    section[0] = name;
    try {
      sections.insert(section);
      ++added;
    } catch (const engine::DbError& e) {
      // The table's key may see two spellings as one section: it is there.
      if (e.kind() != engine::DbError::Kind::KeyViolation) {
        throw ExchangeError("section \"" + name + "\": " + e.what());
      }
    }
  }
  return added;
}

void insertRows(format::TableFile& records, const std::vector<const ImportRow*>& rows,
                const ImportOptions& options, std::size_t& added, std::size_t& skipped) {
  // Often enough for a progress bar, rarely enough to cost nothing.
  constexpr std::size_t kProgressStep = 512;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (options.progress && i % kProgressStep == 0) options.progress(i, rows.size());
    const ImportRow* row = rows[i];
    try {
      records.insert(row->record);
      ++added;
    } catch (const engine::DbError& e) {
      if (e.kind() != engine::DbError::Kind::KeyViolation || !options.skipExisting) {
        throw ExchangeError(row->where + ": " + e.what());
      }
      ++skipped;
    }
  }
}

}  // namespace

void importRows(format::TableFile& records, format::TableFile* sections,
                const std::vector<ImportRow>& rows, const ImportOptions& options,
                ImportSummary& summary) {
  std::vector<const ImportRow*> kept;
  std::vector<std::string> refused;
  for (const auto& row : rows) {
    const std::string reason = refusalReason(records.info(), row.record);
    if (reason.empty()) {
      kept.push_back(&row);
    } else {
      refused.push_back(row.where + ": " + reason);
    }
  }
  if (!refused.empty() && !options.skipRefused && !options.dryRun) throw RecordsRefused(refused);

  const auto missing =
      sections ? missingSections(*sections, records.info(), kept) : std::vector<std::string>{};
  std::size_t added = 0;
  std::size_t skipped = 0;
  std::size_t sectionsAdded = 0;
  // A trial run does all the work inside the change and then throws it away,
  // so its counts are exactly what a real run would give.
  struct TrialOver {};
  const auto insertAndDecide = [&] {
    insertRows(records, kept, options, added, skipped);
    if (options.progress) options.progress(kept.size(), kept.size());
    if (options.dryRun) throw TrialOver{};
  };
  try {
    if (missing.empty()) {
      records.batch(insertAndDecide);
    } else {
      // The records' change runs inside the sections' one: both or neither.
      sections->batch([&] {
        sectionsAdded = addSections(*sections, missing);
        records.batch(insertAndDecide);
      });
    }
  } catch (const TrialOver&) {
  }
  summary.added += added;
  summary.skipped += skipped;
  summary.sectionsAdded += sectionsAdded;
  summary.refused.insert(summary.refused.end(), refused.begin(), refused.end());
  if (sections) summary.sections.merge(sectionsNamed(records.info(), kept));
}

}  // namespace torvelle::exchange
