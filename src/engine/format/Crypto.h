#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace torvelle::format {

// The master-password scheme of Paradox tables: a keyed byte permutation of
// 256-byte chunks. Data blocks are keyed by their block number, the memo
// file by nothing but the key. Only the low 16 bits of the check value take
// part in the transform.
namespace crypto {

std::uint32_t checkValue(std::string_view passwordBytes);

// `data` is a whole block (a multiple of 256 bytes) of data block `blockNo`.
void encryptBlock(std::uint8_t* data, std::size_t size, std::uint32_t key, std::uint32_t blockNo);
void decryptBlock(std::uint8_t* data, std::size_t size, std::uint32_t key, std::uint32_t blockNo);

// `data` is a whole number of 256-byte chunks of the memo file.
void encryptBlob(std::uint8_t* data, std::size_t size, std::uint32_t key);
void decryptBlob(std::uint8_t* data, std::size_t size, std::uint32_t key);

}  // namespace crypto
}  // namespace torvelle::format
