#include "engine/format/Crypto.h"

#include <array>
#include <optional>

#include "engine/format/Bytes.h"

namespace torvelle::format::crypto {
namespace {

// The scheme's constant tables, 256 bytes each, written as hex; B and C are
// permutations of 0..255.
using Table = std::array<std::uint8_t, 256>;

constexpr int hexDigit(char c) {
  return c <= '9' ? c - '0' : c - 'A' + 10;
}
constexpr Table fromHex(const char (&hex)[2 * 256 + 1]) {
  Table t{};
  for (std::size_t i = 0; i < t.size(); ++i)
    t[i] = lowByte(hexDigit(hex[2 * i]) << 4 | hexDigit(hex[2 * i + 1]));
  return t;
}

// clang-format off
constexpr Table kA = fromHex("B2A50CDD38FECB5B0C23EC6A953ED52D2CF72D30EA1598B45F82D3AFF44C841674170511ACDB43919C77A038BED68F25B1EE6D803714A97A57386C2FA64F7C3871D40B51F6B945211D6C4D876EA7E7210D85F4CE3A816A3ED732A423ACE90191B0EDC74612AC153DFF1B7B3BBAEE2C2C68A66260ED5B843361623979D4D2EB60B8251DDBFF3A219AB0C3F76352F52294F9B4B7BE9F543BCEE13C73CBEA2D45009DC278E7960F143AA4DC01648DD6594E390F157DF08C8AC578034AE8FBEF18B4523179D08EAAC3C6CEEDE9425AD62D06C79AB13862D97E6174D246DECB2B0C590B649D1C4FB206919B63B5B2A9FDAD5A38F9136E9D2D4B02F9136F50CB2109FA");
constexpr Table kB = fromHex("61A7790237346F8101C2B2B3D64D3E030660984446681CEB104A5BAE224824429F5590C17D2F6C414E8256D81E3228C6EDBC3C3AE9873B8F8608A3FBA46299FF59B9DE2D58931BB1762BAAD92AACCAF9E0B7051177A98EEFB5BB26EA8D189BFEC7F85A83FD2E6B8433FA69D474BFCBC419963FE525F2A5D595F3A039DCE4A17F7B497AF1EEF7750991679738D38947311F2C0ECE20CC9C2317920FF4136471C8CD3DB4CFE15052AF6D27B69430048C534BD24F21296A1AEC5C7E519A0D85E61DC588A8DD9EF65FDABD6E9D54DB5EC0805DB840631512A20C07AD70147216D0A66535BAE7ABFCC3C9BE0BB0F545E24C730A3678438B8AF066D100DF7CE3E857D7");
constexpr Table kC = fromHex("F908030FAD5210D83987F0E9D7BC929A1853D59CDBD4DD985D70B64616BF2C9094B31C971E745AA92EB44C4991436525AC8F2D6805E1F1048B7B333632A10E72D2271FF313EC148E1D8119B0EE0D28B2A5BAA6AFCB212AFE4440621AB8D0CDC611003DD39DE0F789156AB56626A8C906DA9EDCEF6C864854F2028280FB24B97FCF07296367BD3835C18DF5F4AE5C563722889945AB78718A123EBB5E96CAC4207A7ED63A3C76DF01C2554AE44DD91BA7EA470A0BA258AA51D141E25931C8E86DCE2309E66FC02F609FE74E6E95A093A3DEF8B18C6B770CFF2B4BC7CC7CC342FA50A4EDFC7D73BEE3FD345B17B7308457F68375799BEBC585614F693BE5645F3F");
// clang-format on

using Chunk = Table;

// The transform is a byte permutation of the chunk plus a mask that depends
// on both positions; decrypting runs the permutation backwards.
template <bool kEncrypt>
void transformChunk(const std::uint8_t* in, std::uint8_t* out, std::uint8_t a, std::uint8_t b,
                    std::uint8_t c, std::uint8_t d) {
  for (int x = 0; x < 256; ++x) {
    const auto y = lowByte(kC[x] - d);
    const auto mask = kA[lowByte(x + a)] ^ kB[lowByte(y + b)] ^ kC[lowByte(y + c)];
    if constexpr (kEncrypt)
      out[y] = in[x] ^ mask;
    else
      out[x] = in[y] ^ mask;
  }
}

void encryptChunk(const std::uint8_t* in, std::uint8_t* out, std::uint8_t a, std::uint8_t b,
                  std::uint8_t c, std::uint8_t d) {
  transformChunk<true>(in, out, a, b, c, d);
}

// Data blocks: chunk j of block k uses (a, b, j, k); memo files use
// (a, b, a + 1, b + 1) everywhere.
template <bool kEncrypt>
void transform(std::uint8_t* data, std::size_t size, std::uint32_t key,
               std::optional<std::uint32_t> blockNo) {
  const auto a = lowByte(key), b = lowByte(key >> 8);
  Chunk tmp;
  for (std::size_t off = 0, j = 0; off + 256 <= size; off += 256, ++j) {
    const auto c = lowByte(blockNo ? j : a + 1u);
    const auto d = lowByte(blockNo ? *blockNo : b + 1u);
    transformChunk<kEncrypt>(data + off, tmp.data(), a, b, c, d);
    std::copy(tmp.begin(), tmp.end(), data + off);
  }
}

}  // namespace
std::uint32_t checkValue(std::string_view pw) {
  if (pw.empty()) return 0;
  const std::size_t n = pw.size();
  Chunk x, xe, y, ye;
  for (std::size_t i = 0; i < 256; ++i) x[i] = lowByte(pw[i % n]);
  encryptChunk(x.data(), xe.data(), x[0], x[1], x[2], x[3]);
  const std::uint32_t low = xe[0] | (xe[1] << 8);
  for (std::size_t i = 0; i < 256; ++i) y[i] = lowByte(i < n ? pw[i] : kA[y[i - n]] ^ i);
  encryptChunk(y.data(), ye.data(), y[0], y[20], y[40], y[255]);
  std::uint8_t p = 0, q = 0;
  for (int i = 0; i < 256; i += 2) {
    p ^= ye[i];
    q ^= ye[i + 1];
  }
  std::uint32_t high = p | (q << 8);
  if (high == 0) high = 1;
  return (high << 16) | low;
}

void encryptBlock(std::uint8_t* data, std::size_t size, std::uint32_t key, std::uint32_t blockNo) {
  transform<true>(data, size, key, blockNo);
}

void decryptBlock(std::uint8_t* data, std::size_t size, std::uint32_t key, std::uint32_t blockNo) {
  transform<false>(data, size, key, blockNo);
}

void encryptBlob(std::uint8_t* data, std::size_t size, std::uint32_t key) {
  transform<true>(data, size, key, std::nullopt);
}

void decryptBlob(std::uint8_t* data, std::size_t size, std::uint32_t key) {
  transform<false>(data, size, key, std::nullopt);
}

}  // namespace torvelle::format::crypto
