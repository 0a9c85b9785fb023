#include "backup/Sealing.h"

#include <sodium.h>

#include <array>
#include <cstring>
#include <vector>

#include "backup/BackupError.h"

namespace torvelle::backup {
namespace {

// Layout: marker (8) | version, algorithm, two zero bytes (4) | passes (4) |
// memory KiB (4) | salt (16) | stream header (24) | chunks. The bytes before
// the stream header are the additional data of every chunk, so the key cost
// and salt cannot be changed unnoticed.
constexpr std::string_view kMarker = "TVLBKSE1";
constexpr std::size_t kPrefixSize = 8 + 4 + 4 + 4 + crypto_pwhash_SALTBYTES;
constexpr std::size_t kHeaderSize = kPrefixSize + crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kSealedChunk = kChunk + crypto_secretstream_xchacha20poly1305_ABYTES;
// A header may not make us spend more than this on the key.
constexpr std::uint32_t kMaxPasses = 16, kMaxMemoryKiB = 1024 * 1024;

using Key = std::array<unsigned char, crypto_secretstream_xchacha20poly1305_KEYBYTES>;

void ensureSodium() {
  if (sodium_init() < 0)
    throw BackupError(BackupError::Kind::Write, "The encryption library cannot start");
}

void putU32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
std::uint32_t getU32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Wiped when it goes out of scope.
struct SecretKey {
  Key bytes{};
  ~SecretKey() { sodium_memzero(bytes.data(), bytes.size()); }
};

void deriveKey(SecretKey& key, const std::string& password, const unsigned char* salt,
               const KeyCost& cost) {
  if (crypto_pwhash(key.bytes.data(), key.bytes.size(), password.data(), password.size(), salt,
                    cost.passes, static_cast<std::size_t>(cost.memoryKiB) * 1024,
                    crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw BackupError(BackupError::Kind::Write, "Not enough memory to derive the archive key");
}

[[noreturn]] void damaged() {
  throw BackupError(BackupError::Kind::Damaged, "The backup is damaged or incomplete");
}

}  // namespace

bool isSealed(std::string_view archive) {
  return archive.size() >= kMarker.size() && archive.substr(0, kMarker.size()) == kMarker;
}

std::string seal(std::string_view plain, const std::string& password, KeyCost cost) {
  ensureSodium();
  std::string out(kHeaderSize, '\0');
  auto* head = reinterpret_cast<unsigned char*>(out.data());
  std::memcpy(head, kMarker.data(), kMarker.size());
  head[8] = 1;
  head[9] = static_cast<unsigned char>(crypto_pwhash_ALG_ARGON2ID13);
  putU32(head + 12, cost.passes);
  putU32(head + 16, cost.memoryKiB);
  unsigned char* salt = head + 20;
  randombytes_buf(salt, crypto_pwhash_SALTBYTES);
  SecretKey key;
  deriveKey(key, password, salt, cost);
  crypto_secretstream_xchacha20poly1305_state state;
  crypto_secretstream_xchacha20poly1305_init_push(&state, head + kPrefixSize, key.bytes.data());
  const std::string prefix = out.substr(0, kPrefixSize);

  std::vector<unsigned char> buffer(kSealedChunk);
  std::size_t at = 0;
  for (;;) {
    const std::size_t n = std::min(kChunk, plain.size() - at);
    const bool last = at + n == plain.size();
    unsigned long long written = 0;
    crypto_secretstream_xchacha20poly1305_push(
        &state, buffer.data(), &written, reinterpret_cast<const unsigned char*>(plain.data()) + at,
        n, reinterpret_cast<const unsigned char*>(prefix.data()), prefix.size(),
        last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0);
    out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(written));
    at += n;
    if (last) break;
  }
  sodium_memzero(&state, sizeof state);
  return out;
}

std::string unseal(std::string_view sealed, const std::string& password) {
  ensureSodium();
  if (!isSealed(sealed) || sealed.size() < kHeaderSize) damaged();
  const auto* head = reinterpret_cast<const unsigned char*>(sealed.data());
  KeyCost cost{getU32(head + 12), getU32(head + 16)};
  if (head[8] != 1 || head[9] != crypto_pwhash_ALG_ARGON2ID13 || head[10] != 0 || head[11] != 0 ||
      cost.passes < crypto_pwhash_OPSLIMIT_MIN || cost.passes > kMaxPasses ||
      cost.memoryKiB < crypto_pwhash_MEMLIMIT_MIN / 1024 || cost.memoryKiB > kMaxMemoryKiB)
    damaged();
  SecretKey key;
  deriveKey(key, password, head + 20, cost);
  crypto_secretstream_xchacha20poly1305_state state;
  if (crypto_secretstream_xchacha20poly1305_init_pull(&state, head + kPrefixSize,
                                                      key.bytes.data()) != 0)
    damaged();

  std::string out;
  std::vector<unsigned char> buffer(kChunk);
  std::size_t at = kHeaderSize;
  bool first = true;
  for (;;) {
    const std::size_t n = std::min(kSealedChunk, sealed.size() - at);
    unsigned long long got = 0;
    unsigned char tag = 0;
    if (n < crypto_secretstream_xchacha20poly1305_ABYTES ||
        crypto_secretstream_xchacha20poly1305_pull(&state, buffer.data(), &got, &tag, head + at, n,
                                                   head, kPrefixSize) != 0) {
      if (first)
        throw BackupError(BackupError::Kind::Password,
                          "The password does not open this backup, or the backup was altered");
      damaged();
    }
    first = false;
    at += n;
    out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) break;
    // A chunk short of full size can only be the last one.
    if (got != kChunk || at == sealed.size()) damaged();
  }
  if (at != sealed.size()) damaged();
  return out;
}

}  // namespace torvelle::backup
