// Genuine tables written by the original engines: we read them, pxlib agrees
// on every value (where the build has it), and the consistency check finds
// nothing.
#include <gtest/gtest.h>

#ifdef TORVELLE_WITH_PXLIB
#include "PxlibReader.h"
#endif
#include "TestSupport.h"
#include "engine/DbError.h"
#include "engine/format/FileIo.h"
#include "engine/format/TableFile.h"

namespace torvelle::format {
namespace {

using testing::TempDir;

#ifdef TORVELLE_WITH_PXLIB
using testing::PxlibReader;

std::string show(const Value& v) {
  struct {
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(const std::string& s) const { return "'" + s + "'"; }
    std::string operator()(std::int32_t i) const { return std::to_string(i); }
    std::string operator()(double d) const { return std::to_string(d); }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(Date d) const { return "date " + std::to_string(d.day); }
    std::string operator()(Time t) const { return "time " + std::to_string(t.msec); }
    std::string operator()(Timestamp t) const { return "ts " + std::to_string(t.msec); }
    std::string operator()(const Decimal& d) const { return "bcd " + d.text; }
    std::string operator()(const Binary& b) const {
      return "bin[" + std::to_string(b.bytes.size()) + "]";
    }
  } visitor;
  return std::visit(visitor, v);
}

// pxlib writes BCD with all fraction digits and no sign on zero; compare the
// numbers, not the spelling.
bool sameValue(const Value& ours, const Value& theirs) {
  if (const auto* a = std::get_if<Decimal>(&ours)) {
    const auto* b = std::get_if<Decimal>(&theirs);
    return b && std::stold(a->text) == std::stold(b->text);
  }
  return ours == theirs;
}
#endif

class FormatSamples : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(FormatSamples, ReadsLikePxlibAndChecksClean) {
  TORVELLE_NEEDS_SAMPLES();
  TempDir dir;
  const auto db = testing::copyTable(GetParam(), dir.path());
  OpenOptions options;
  options.passwords = {"123"};
  const auto table = TableFile::open(db, options);
  const auto records = table->readAll();
  ASSERT_EQ(records.size(), table->recordCount());
  for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i], table->read(i)) << i;

#ifdef TORVELLE_WITH_PXLIB
  bool mbExists = false;
  const auto mb = companionPath(db, ".MB", &mbExists);
  PxlibReader px(db, mbExists ? mb : std::filesystem::path{}, dir.path());
  ASSERT_TRUE(px.opened());
  ASSERT_EQ(px.recordCount(), static_cast<int>(records.size()));
  const auto& fields = table->info().fields;
  const auto pxFields = px.fields();
  ASSERT_EQ(pxFields.size(), fields.size());
  const int cp = table->info().codePage;
  for (int r = 0; r < px.recordCount(); ++r) {
    const Record theirs = px.record(r, cp);
    for (std::size_t f = 0; f < fields.size(); ++f) {
      EXPECT_TRUE(sameValue(records[static_cast<std::size_t>(r)][f], theirs[f]))
          << "record " << r << " field " << fields[f].name << ": ours "
          << show(records[static_cast<std::size_t>(r)][f]) << ", pxlib " << show(theirs[f]);
    }
  }
#endif
  EXPECT_EQ(TableFile::check(db, options), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Genuine, FormatSamples, ::testing::ValuesIn(testing::sampleTables()),
                         [](const auto& info) {
                           if (info.param.empty()) return std::string("missing");
                           std::string name = info.param.parent_path().filename().string() + "_" +
                                              info.param.stem().string();
                           for (auto& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace torvelle::format
