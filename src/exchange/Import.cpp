#include "exchange/Import.h"

#include <set>
#include <unordered_set>

#include "engine/DbError.h"
#include "engine/FieldNames.h"
#include "engine/RecordIdentity.h"
#include "exchange/Books.h"
#include "exchange/TextCodec.h"
#include "support/AccentFold.h"
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
  const int section = fieldIndex(info, engine::kSectionField);
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

std::string refusedItemsText(const ImportSummary& summary) {
  std::string text = summary.sourceHead;
  for (const auto& source : summary.refusedSources) {
    text += source;
    if (!source.empty() && source.back() != '\n') text += "\r\n";
  }
  return text + summary.sourceTail;
}

RecordsRefused::RecordsRefused(std::vector<std::string> refused)
    : ExchangeError(joined(refused)), refused_(std::move(refused)) {}

namespace {

// Long texts are named by their first characters and their length, so that
// a huge value does not fill the summary.
std::string shown(const std::string& text) {
  constexpr std::size_t kShown = 40;
  if (text.size() <= kShown + 20) return "\"" + text + "\"";
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + text.substr(0, cut) + "...\" (" + std::to_string(text.size()) + " bytes)";
}

constexpr std::int32_t kDayMsec = 86'400'000;

}  // namespace

std::string refusalReason(const format::TableInfo& info, const format::Record& record) {
  for (std::size_t f = 0; f < info.fields.size() && f < record.size(); ++f) {
    const auto& field = info.fields[f];
    // A time may be empty in a key; a name or a section may not. A task's
    // day may, for a to-do that has none.
    if (static_cast<int>(f) < info.keyFieldCount && format::isNull(record[f]) &&
        field.type != format::FieldType::Time &&
        !(field.type == format::FieldType::Date && bookOf(info) == Book::Tasks)) {
      return "no " + field.name;
    }
    if (const auto* time = std::get_if<format::Time>(&record[f])) {
      if (time->msec < 0 || time->msec >= kDayMsec) return field.name + ": a time outside the day";
    }
    const auto* text = std::get_if<std::string>(&record[f]);
    if (!text) continue;
    std::size_t bytes = 0;
    try {
      bytes = support::sizeInCodePage(*text, storedCodePage(info.codePage));
    } catch (const support::CodePageError& e) {
      return field.name + " " + shown(*text) + ": " + e.what();
    }
    if (field.type == format::FieldType::Alpha && static_cast<int>(bytes) > field.size) {
      return field.name + " " + shown(*text) + " has " + std::to_string(bytes) +
             " characters, the field holds " + std::to_string(field.size);
    }
  }
  return {};
}

std::string foldRecordAccents(const format::TableInfo& info, format::Record& record) {
  std::string changes;
  for (std::size_t f = 0; f < info.fields.size() && f < record.size(); ++f) {
    auto* text = std::get_if<std::string>(&record[f]);
    if (!text) continue;
    std::string plain = support::foldAccents(*text, storedCodePage(info.codePage));
    if (plain == *text) continue;
    if (!changes.empty()) changes += ", ";
    changes += info.fields[f].name + " " + shown(*text) + " as " + shown(plain);
    *text = std::move(plain);
  }
  return changes;
}

namespace {

// The row with its letters folded, kept in `store`, when folding changed
// it (saying how in `changes`); else the row itself.
const ImportRow* folded(const ImportRow& row, const format::TableInfo& info,
                        std::vector<ImportRow>& store, std::string& changes) {
  if (!row.refusal.empty()) return &row;
  ImportRow copy = row;
  changes = foldRecordAccents(info, copy.record);
  return changes.empty() ? &row : &store.emplace_back(std::move(copy));
}

// Sections the rows name that the sections table lacks.
std::vector<std::string> missingSections(const format::TableFile& sections,
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

std::string keyText(const format::TableInfo& info, const format::Record& record) {
  std::string key;
  for (std::size_t f = 0; f < static_cast<std::size_t>(info.keyFieldCount); ++f) {
    key += formatValue(record[f]);
    key += '\x1f';
  }
  return key;
}

bool hasValue(const format::Record& record, int field) {
  const auto f = static_cast<std::size_t>(field);
  return f < record.size() && !format::isNull(record[f]);
}

// Is the key of `record` held by a record of `table`? Found without writing,
// in the table's own key order.
bool keyTaken(const format::TableFile& table, const format::Record& record) {
  const auto keyFields = static_cast<std::size_t>(table.info().keyFieldCount);
  const format::Record key(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(keyFields));
  const auto [first, last] = table.keyRange(key);
  return first != last;
}

// Which of the kept rows go in, which are skipped for a key the table holds
// and which repeat the key of an earlier row of the file: exactly what
// inserting them one by one would give, found without writing.
void planInserts(const format::TableFile& records, const std::vector<const ImportRow*>& kept,
                 const ImportOptions& options, ImportPlan& plan) {
  const auto& info = records.info();
  if (info.keyFieldCount == 0) {
    plan.inserts = kept;
    return;
  }
  plan.inserts.reserve(kept.size());
  std::unordered_set<std::string> keys;
  keys.reserve(kept.size());
  for (const ImportRow* row : kept) {
    const bool repeated = !keys.insert(keyText(info, row->record)).second;
    if (!repeated && !keyTaken(records, row->record)) {
      plan.inserts.push_back(row);
    } else if (options.skipExisting) {
      ++plan.summary.skipped;
    } else if (repeated) {
      ++plan.summary.skipped;
      ++plan.summary.notStored["item with the key of an earlier one in the file"];
    } else {
      throw ExchangeError(row->where + ": Key violation.");
    }
  }
}

void insertPlanned(format::TableFile& records, const ImportPlan& plan,
                   const ImportOptions& options) {
  // Often enough for a progress bar, rarely enough to cost nothing.
  constexpr std::size_t kProgressStep = 512;
  const auto& rows = plan.inserts;
  const auto& info = records.info();
  const int identity = engine::identityField(info.fields);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (options.progress && i % kProgressStep == 0) options.progress(i, rows.size());
    const ImportRow* row = rows[i];
    try {
      if (identity >= 0 && !hasValue(row->record, identity)) {
        // A record from a file without identities gets one of its own.
        format::Record stamped = row->record;
        engine::giveIdentity(info.fields, stamped);
        records.insert(stamped);
      } else {
        records.insert(row->record);
      }
    } catch (const engine::DbError& e) {
      throw ExchangeError(row->where + ": " + e.what());
    }
  }
  if (options.progress) options.progress(rows.size(), rows.size());
}

}  // namespace

ImportPlan planImport(const format::TableFile& records, const format::TableFile* sections,
                      const std::vector<ImportRow>& rows, const ImportOptions& options,
                      ImportSummary summary) {
  ImportPlan plan;
  plan.summary = std::move(summary);
  std::vector<const ImportRow*> kept;
  std::vector<std::string> refused;
  // Rows with letters folded are copies; reserved so that pointers to them stay.
  if (options.foldAccents) plan.foldedRows.reserve(rows.size());
  kept.reserve(rows.size());
  for (const auto& original : rows) {
    std::string changes;
    const ImportRow* row = options.foldAccents
                               ? folded(original, records.info(), plan.foldedRows, changes)
                               : &original;
    const std::string reason =
        row->refusal.empty() ? refusalReason(records.info(), row->record) : row->refusal;
    if (reason.empty()) {
      kept.push_back(row);
      if (!changes.empty()) plan.summary.folded.push_back(row->where + ": " + changes);
    } else {
      refused.push_back(row->where + ": " + reason);
      plan.summary.refusedSources.emplace_back(row->source);
    }
  }
  if (!refused.empty() && !options.skipRefused && !options.dryRun) throw RecordsRefused(refused);
  planInserts(records, kept, options, plan);
  plan.summary.added += plan.inserts.size();
  if (sections) {
    plan.newSections = missingSections(*sections, records.info(), kept);
    plan.summary.sectionsAdded += plan.newSections.size();
    plan.summary.sections.merge(sectionsNamed(records.info(), kept));
  }
  plan.summary.refused.insert(plan.summary.refused.end(), refused.begin(), refused.end());
  return plan;
}

ImportSummary writePlan(format::TableFile& records, format::TableFile* sections,
                        const ImportPlan& plan, const ImportOptions& options,
                        const std::function<void()>& alongside) {
  ImportSummary summary = plan.summary;
  const auto insertAll = [&] {
    insertPlanned(records, plan, options);
    if (alongside) alongside();
  };
  if (!sections || plan.newSections.empty()) {
    records.batch(insertAll);
  } else {
    // The records' change runs inside the sections' one: both or neither.
    sections->batch([&] {
      const std::size_t added = addSections(*sections, plan.newSections);
      summary.sectionsAdded -= plan.newSections.size() - added;
      records.batch(insertAll);
    });
  }
  return summary;
}

void importRows(format::TableFile& records, format::TableFile* sections,
                const std::vector<ImportRow>& rows, const ImportOptions& options,
                ImportSummary& summary) {
  ImportPlan plan = planImport(records, sections, rows, options, std::move(summary));
  summary = options.dryRun ? std::move(plan.summary) : writePlan(records, sections, plan, options);
}

}  // namespace torvelle::exchange
