// Byte builders for SMAF files, written from the format's facts alone
// (nothing of the project's SMAF writer or reader): chunks, the frame with
// its CRC, length numbers, and the Huffman coding of compressed Mobile
// Standard sequences. Header-only, so that the benchmarks build their
// large files with it too.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <queue>
#include <string>
#include <vector>

namespace test_support::smaf_bytes {

inline std::string B(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value & 0xFF));
  return bytes;
}

inline std::string Be32(uint32_t value) {
  return B({static_cast<int>(value >> 24), static_cast<int>(value >> 16), static_cast<int>(value >> 8),
            static_cast<int>(value)});
}

inline std::string Chunk(const std::string& id, const std::string& body) { return id + Be32(static_cast<uint32_t>(body.size())) + body; }

// Handyphone length number: one byte up to 127, else 0x80 | ((n - 128) >> 7)
// and (n - 128) & 0x7F.
inline std::string Len(uint32_t n) {
  if (n < 128) return B({static_cast<int>(n)});
  return B({static_cast<int>(0x80 | ((n - 128) >> 7)), static_cast<int>((n - 128) & 0x7F)});
}

// Mobile Standard number: seven bits a byte, high bit on all but the last.
inline std::string Num(uint32_t n) {
  std::string bytes(1, static_cast<char>(n & 0x7F));
  while ((n >>= 7) != 0) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (n & 0x7F)));
  return bytes;
}

// CRC-16, polynomial 0x1021, initial 0xFFFF, complemented; bit by bit.
inline uint16_t Crc(const std::string& bytes) {
  uint32_t crc = 0xFFFF;
  for (unsigned char byte : bytes) {
    crc ^= uint32_t{byte} << 8;
    for (int bit = 0; bit < 8; ++bit) crc = ((crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1) & 0xFFFF;
  }
  return static_cast<uint16_t>(crc ^ 0xFFFF);
}

// "MMMD", its size (CRC included) and the chunks, then the CRC.
inline std::string File(const std::string& chunks) {
  std::string file = "MMMD" + Be32(static_cast<uint32_t>(chunks.size() + 2)) + chunks;
  const uint16_t crc = Crc(file);
  return file + B({crc >> 8, crc & 0xFF});
}

inline std::string Cnti(const std::string& text = "", int code_type = 0x01) {
  return Chunk("CNTI", B({0, 0, code_type, 0, 0}) + text);
}

// A score track: "MTR" and its number, format type, sequence type 0, the
// two timebase codes, the channel status and the chunks.
inline std::string Mtr(int number, int format, int duration_code, int gate_code, const std::string& status,
                       const std::string& chunks) {
  return Chunk(std::string("MTR") + static_cast<char>(number), B({format, 0, duration_code, gate_code}) + status + chunks);
}

// Huffman coding of a sequence: the decoded size, then bits, most
// significant first: the tree in preorder (1 a branch, then its 0 side and
// its 1 side; 0 a leaf and its eight bits), then each byte's code.
inline std::string Compress(const std::string& data) {
  struct Node {
    uint64_t weight;
    int order;
    int value;  // a leaf's byte, -1 for a branch
    std::shared_ptr<Node> zero, one;
  };
  using Ptr = std::shared_ptr<Node>;
  auto later = [](const Ptr& a, const Ptr& b) {
    return a->weight != b->weight ? a->weight > b->weight : a->order > b->order;
  };
  std::priority_queue<Ptr, std::vector<Ptr>, decltype(later)> queue(later);
  std::array<uint64_t, 256> counts{};
  for (unsigned char byte : data) ++counts[byte];
  int order = 0;
  for (int value = 0; value < 256; ++value) {
    if (counts[value] != 0) queue.push(std::make_shared<Node>(Node{counts[value], order++, value, nullptr, nullptr}));
  }
  if (queue.empty()) queue.push(std::make_shared<Node>(Node{0, order++, 0, nullptr, nullptr}));
  if (queue.size() == 1) {  // two leaves, so that every byte takes a bit
    queue.push(std::make_shared<Node>(Node{0, order++, (queue.top()->value + 1) & 0xFF, nullptr, nullptr}));
  }
  while (queue.size() > 1) {
    Ptr a = queue.top();
    queue.pop();
    Ptr b = queue.top();
    queue.pop();
    queue.push(std::make_shared<Node>(Node{a->weight + b->weight, order++, -1, a, b}));
  }
  std::vector<bool> bits;
  std::array<std::vector<bool>, 256> codes;
  std::vector<std::pair<Ptr, std::vector<bool>>> stack = {{queue.top(), {}}};
  while (!stack.empty()) {
    auto [node, code] = stack.back();
    stack.pop_back();
    if (node->value >= 0) {
      bits.push_back(false);
      for (int bit = 7; bit >= 0; --bit) bits.push_back(((node->value >> bit) & 1) != 0);
      codes[node->value] = code;
      continue;
    }
    bits.push_back(true);
    std::vector<bool> one = code, zero = code;
    one.push_back(true);
    zero.push_back(false);
    stack.push_back({node->one, one});    // the 0 side comes first
    stack.push_back({node->zero, zero});
  }
  for (unsigned char byte : data) bits.insert(bits.end(), codes[byte].begin(), codes[byte].end());
  std::string out = Be32(static_cast<uint32_t>(data.size()));
  for (size_t i = 0; i < bits.size(); i += 8) {
    int byte = 0;
    for (size_t j = 0; j < 8; ++j) byte = (byte << 1) | (i + j < bits.size() && bits[i + j] ? 1 : 0);
    out.push_back(static_cast<char>(byte));
  }
  return out;
}

}  // namespace test_support::smaf_bytes
