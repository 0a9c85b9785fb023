#include "PxlibReader.h"

// paradox.h has no C++ linkage block of its own.
extern "C" {
#include <paradox.h>
}

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "engine/format/FieldCodec.h"

extern "C" unsigned long px_passwd_checksum(const char* password);

namespace torvelle::format::testing {
namespace {

void quiet(pxdoc_t*, int, const char*, void*) {}

void boot() {
  static const bool booted = [] {
    PX_boot();
    return true;
  }();
  (void)booted;
}

std::string take(pxdoc_t* doc, char* p, std::size_t n) {
  std::string s(p, n);
  doc->free(doc, p);
  return s;
}

bool allZero(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i]) return false;
  return true;
}

}  // namespace

PxlibReader::PxlibReader(const std::filesystem::path& db, const std::filesystem::path& mb,
                         const std::filesystem::path& scratch) {
  boot();
  pxdoc_t* doc = PX_new2(quiet, nullptr, nullptr, nullptr);
  FILE* fp = std::fopen(db.c_str(), "rb");
  if (!fp || PX_open_fp(doc, fp) != 0) {
    if (fp) std::fclose(fp);
    PX_delete(doc);
    return;
  }
  if (!mb.empty() && std::filesystem::exists(mb)) {
    const auto copy = scratch / ("pxlib-" + mb.filename().string());
    std::filesystem::copy_file(mb, copy, std::filesystem::copy_options::overwrite_existing);
    std::ofstream(copy, std::ios::app | std::ios::binary).put('\0');
    PX_set_blob_file(doc, copy.c_str());
  }
  doc_ = doc;
}

PxlibReader::~PxlibReader() {
  if (doc_) {
    PX_close(doc_);
    PX_delete(doc_);
  }
}

int PxlibReader::recordCount() const {
  return PX_get_num_records(doc_);
}

std::vector<FieldDef> PxlibReader::fields() const {
  std::vector<FieldDef> out;
  const pxfield_t* f = PX_get_fields(doc_);
  out.reserve(static_cast<std::size_t>(PX_get_num_fields(doc_)));
  for (int i = 0; i < PX_get_num_fields(doc_); ++i)
    out.push_back({f[i].px_fname, static_cast<FieldType>(f[i].px_ftype),
                   f[i].px_ftype == pxfBCD ? f[i].px_fdc : f[i].px_flen});
  return out;
}

std::string PxlibReader::rawRecord(int recno) const {
  std::string buf(static_cast<std::size_t>(PX_get_recordsize(doc_)), '\0');
  if (!PX_get_record(doc_, recno, buf.data())) throw std::runtime_error("pxlib cannot read record");
  return buf;
}

Record PxlibReader::record(int recno, int codePage) const {
  std::string raw = rawRecord(recno);
  char* p = raw.data();
  Record out;
  const pxfield_t* f = PX_get_fields(doc_);
  for (int i = 0; i < PX_get_num_fields(doc_); ++i) {
    const int len = f[i].px_flen;
    const auto type = static_cast<FieldType>(f[i].px_ftype);
    Value v;
    switch (type) {
      case FieldType::Alpha: {
        char* s = nullptr;
        if (PX_get_data_alpha(doc_, p, len, &s) > 0 && s)
          v = codec::fromTableText(take(doc_, s, std::strlen(s)), codePage);
        break;
      }
      case FieldType::Short: {
        short x = 0;
        if (PX_get_data_short(doc_, p, len, &x) > 0) v = static_cast<std::int32_t>(x);
        break;
      }
      case FieldType::Long:
      case FieldType::AutoIncrement:
      case FieldType::Date:
      case FieldType::Time: {
        long x = 0;
        if (!allZero(p, 4) && PX_get_data_long(doc_, p, len, &x) > 0) {
          const auto n = static_cast<std::int32_t>(x);
          if (type == FieldType::Date)
            v = Date{n};
          else if (type == FieldType::Time)
            v = Time{n};
          else
            v = n;
        }
        break;
      }
      case FieldType::Number:
      case FieldType::Currency:
      case FieldType::Timestamp: {
        double x = 0;
        if (!allZero(p, 8) && PX_get_data_double(doc_, p, len, &x) > 0) {
          if (type == FieldType::Timestamp)
            v = Timestamp{x};
          else
            v = x;
        }
        break;
      }
      case FieldType::Logical: {
        char x = 0;
        if (PX_get_data_byte(doc_, p, len, &x) > 0) v = x != 0;
        break;
      }
      case FieldType::Bcd: {
        char* s = nullptr;
        if (PX_get_data_bcd(doc_, reinterpret_cast<unsigned char*>(p), f[i].px_fdc, &s) > 0 && s)
          v = Decimal{take(doc_, s, std::strlen(s))};
        break;
      }
      case FieldType::Bytes: {
        char* s = nullptr;
        if (PX_get_data_bytes(doc_, p, len, &s) > 0 && s)
          v = Binary{take(doc_, s, static_cast<std::size_t>(len))};
        break;
      }
      case FieldType::Memo:
      case FieldType::Binary:
      case FieldType::FormattedMemo:
      case FieldType::Ole:
      case FieldType::Graphic: {
        char* s = nullptr;
        int mod = 0, size = 0;
        const int rc = type == FieldType::Graphic
                           ? PX_get_data_graphic(doc_, p, len, &mod, &size, &s)
                           : PX_get_data_blob(doc_, p, len, &mod, &size, &s);
        if (rc > 0 && s && size > 0) {
          std::string bytes = take(doc_, s, static_cast<std::size_t>(size));
          if (type == FieldType::Memo)
            v = codec::fromTableText(bytes, codePage);
          else
            v = Binary{std::move(bytes)};
        }
        break;
      }
    }
    out.push_back(std::move(v));
    p += type == FieldType::Bcd ? 17 : len;
  }
  return out;
}

std::vector<Record> PxlibReader::all(int codePage) const {
  std::vector<Record> out;
  out.reserve(static_cast<std::size_t>(recordCount()));
  for (int i = 0; i < recordCount(); ++i) out.push_back(record(i, codePage));
  return out;
}

bool PxlibReader::acceptsIndex(const std::filesystem::path& px) const {
  pxdoc_t* ix = PX_new2(quiet, nullptr, nullptr, nullptr);
  FILE* fp = std::fopen(px.c_str(), "rb");
  bool ok = fp && PX_open_fp(ix, fp) == 0;
  ok = ok && PX_read_primary_index(ix) == 0 && PX_add_primary_index(doc_, ix) == 0;
  // The data document now refers to the index; it is released with it.
  if (!ok) {
    PX_close(ix);
    PX_delete(ix);
  }
  return ok;
}

std::uint32_t pxlibCheckValue(const std::string& password) {
  return static_cast<std::uint32_t>(px_passwd_checksum(password.c_str()));
}

void writeWithPxlib(const std::filesystem::path& db, const std::vector<FieldDef>& fields,
                    const std::vector<Record>& records, int keyFields, int codePage,
                    const std::string& password) {
  boot();
  pxdoc_t* doc = PX_new2(quiet, nullptr, nullptr, nullptr);
  const int n = static_cast<int>(fields.size());
  auto* pf = static_cast<pxfield_t*>(
      doc->malloc(doc, sizeof(pxfield_t) * static_cast<std::size_t>(n), "fields"));
  bool blobs = false;
  for (int i = 0; i < n; ++i) {
    const auto& f = fields[static_cast<std::size_t>(i)];
    pf[i].px_fname = PX_strdup(doc, f.name.c_str());
    pf[i].px_ftype = static_cast<char>(f.type);
    pf[i].px_flen = codec::storageSize(f.type, f.size);
    pf[i].px_fdc = f.type == FieldType::Bcd ? f.size : 0;
    blobs = blobs || codec::isBlob(f.type);
  }
  if (PX_create_file(doc, pf, n, db.c_str(),
                     keyFields ? pxfFileTypIndexDB : pxfFileTypNonIndexDB) != 0)
    throw std::runtime_error("pxlib cannot create " + db.string());
  PX_set_value(doc, "codepage", static_cast<float>(codePage));
  if (keyFields) PX_set_value(doc, "numprimkeys", static_cast<float>(keyFields));
  if (!password.empty()) PX_set_parameter(doc, "password", password.c_str());
  if (blobs) PX_set_blob_file(doc, (db.parent_path() / (db.stem().string() + ".mb")).c_str());
  std::vector<std::string> keep;  // text in the table's code page, alive until inserted
  for (const auto& rec : records) {
    std::vector<pxval_t*> vals(static_cast<std::size_t>(n));
    keep.clear();
    keep.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      MAKE_PXVAL(doc, vals[static_cast<std::size_t>(i)]);
      pxval_t* v = vals[static_cast<std::size_t>(i)];
      const auto& f = fields[static_cast<std::size_t>(i)];
      const auto& value = rec[static_cast<std::size_t>(i)];
      v->type = static_cast<int>(f.type);
      v->isnull = isNull(value);
      if (v->isnull) continue;
      if (const auto* s = std::get_if<std::string>(&value)) {
        keep.push_back(codec::toTableText(*s, codePage, f.name));
        v->value.str.val = keep.back().data();
        v->value.str.len = static_cast<int>(keep.back().size());
      } else if (const auto* b = std::get_if<Binary>(&value)) {
        keep.push_back(b->bytes);
        v->value.str.val = keep.back().data();
        v->value.str.len = static_cast<int>(keep.back().size());
      } else if (const auto* l = std::get_if<std::int32_t>(&value)) {
        v->value.lval = *l;
      } else if (const auto* d = std::get_if<double>(&value)) {
        v->value.dval = *d;
      } else if (const auto* t = std::get_if<bool>(&value)) {
        v->value.lval = *t ? 1 : 0;
      } else if (const auto* dt = std::get_if<Date>(&value)) {
        v->value.lval = dt->day;
      } else if (const auto* tm = std::get_if<Time>(&value)) {
        v->value.lval = tm->msec;
      } else if (const auto* ts = std::get_if<Timestamp>(&value)) {
        v->value.dval = ts->msec;
      }
    }
    PX_insert_record(doc, vals.data());
    for (auto* v : vals) FREE_PXVAL(doc, v);
  }
  if (keyFields) {
    pxdoc_t* ix = PX_new2(quiet, nullptr, nullptr, nullptr);
    auto* kf = static_cast<pxfield_t*>(
        doc->malloc(ix, sizeof(pxfield_t) * static_cast<std::size_t>(keyFields), "keys"));
    for (int i = 0; i < keyFields; ++i) {
      kf[i] = pf[i];
      kf[i].px_fname = PX_strdup(ix, pf[i].px_fname);
    }
    const auto pxPath = db.parent_path() / (db.stem().string() + ".px");
    if (PX_create_file(ix, kf, keyFields, pxPath.c_str(), pxfFileTypPrimIndex) != 0 ||
        PX_write_primary_index(doc, ix) != 0)
      throw std::runtime_error("pxlib cannot write the index");
    PX_close(ix);
    PX_delete(ix);
  }
  PX_close(doc);
  PX_delete(doc);
}

}  // namespace torvelle::format::testing
