// The compressed form of a Mobile Standard sequence: the size of the
// decoded sequence (32 bits, big-endian), then a stream of bits, most
// significant first. The stream opens with the code tree in preorder: a 1
// is a branch, followed by its 0 side and then its 1 side; a 0 is a leaf,
// followed by the eight bits of its byte. The codes follow: from the root,
// each bit takes one side until a leaf gives the next byte.
//
// The tree is read without recursion (a stack of the branches whose sides
// are still to come, at most 255 branches as 256 bytes need). A decoded
// sequence never exceeds eight bytes per byte of codes, which bounds what
// is allocated; codes that run out before the declared size are a problem,
// and what was decoded is kept. Long streams go twelve bits at a time
// through a table of the bytes whose codes those bits begin with.
#include <array>
#include <cstring>
#include <memory>

#include "chimekit/smafread/read_parts.h"

namespace chimekit::smafread::detail {
namespace {

constexpr int32_t kLeaves = 256;  // node numbers below this are leaves: their byte
constexpr int32_t kMaxNodes = 2 * kLeaves - 1;

class BitReader {
 public:
  BitReader(ByteView bytes, size_t begin, size_t end) : bytes_(bytes), position_(begin), end_(end) {}

  void Refill() {
    if (end_ - position_ >= 8 && count_ <= 56) {
      // Eight bytes at once, as many of them kept as fit.
      uint64_t word = 0;
      for (size_t i = 0; i < 8; ++i) word = (word << 8) | midifile::ByteAt(bytes_, position_ + i);
      // The bits below the valid ones are zero (Consume shifts zeros in);
      // the new ones go below them, the part of a byte that does not fit
      // left out.
      const int take = (64 - count_) >> 3;
      const int kept = count_ + 8 * take;
      const uint64_t mask = kept == 64 ? ~uint64_t{0} : ~(~uint64_t{0} >> kept);
      buffer_ |= (word >> count_) & mask;
      position_ += static_cast<size_t>(take);
      count_ = kept;
      return;
    }
    while (count_ <= 56 && position_ < end_) {
      buffer_ |= uint64_t{midifile::ByteAt(bytes_, position_++)} << (56 - count_);
      count_ += 8;
    }
  }
  int count() const { return count_; }
  uint32_t Top8() const { return static_cast<uint32_t>(buffer_ >> 56); }
  uint32_t Top(int bits) const { return static_cast<uint32_t>(buffer_ >> (64 - bits)); }
  void Consume(int bits) {
    buffer_ <<= bits;
    count_ -= bits;
  }
  bool Bit(uint32_t& bit) {
    if (count_ == 0) Refill();
    if (count_ == 0) return false;
    bit = static_cast<uint32_t>(buffer_ >> 63);
    Consume(1);
    return true;
  }
  bool Byte(uint32_t& value) {
    if (count_ < 8) Refill();
    if (count_ < 8) return false;
    value = Top8();
    Consume(8);
    return true;
  }
  bool Exhausted() const { return count_ == 0 && position_ >= end_; }

 private:
  ByteView bytes_;
  size_t position_;
  size_t end_;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

struct Tree {
  std::array<int16_t, kMaxNodes> zero{};  // the 0 side of each branch
  std::array<int16_t, kMaxNodes> one{};
  int32_t root = 0;
};

enum class TreeResult { kRead, kCut, kTooBig };

TreeResult ReadTree(BitReader& bits, Tree& tree) {
  int32_t next_branch = kLeaves;
  // Branches waiting for a side, with whether their 0 side is done.
  std::array<int32_t, kLeaves> waiting{};
  std::array<bool, kLeaves> zero_done{};
  size_t depth = 0;
  bool first = true;
  do {
    uint32_t bit = 0;
    if (!bits.Bit(bit)) return TreeResult::kCut;
    int32_t node = 0;
    if (bit == 1) {
      if (next_branch >= kMaxNodes) return TreeResult::kTooBig;
      node = next_branch++;
    } else {
      uint32_t value = 0;
      if (!bits.Byte(value)) return TreeResult::kCut;
      node = static_cast<int32_t>(value);
    }
    if (first) {
      tree.root = node;
      first = false;
    } else {
      const int32_t parent = waiting[depth - 1];
      if (!zero_done[depth - 1]) {
        tree.zero[parent] = static_cast<int16_t>(node);
        zero_done[depth - 1] = true;
      } else {
        tree.one[parent] = static_cast<int16_t>(node);
        --depth;
      }
    }
    if (node >= kLeaves) {
      waiting[depth] = node;
      zero_done[depth] = false;
      ++depth;
    }
  } while (depth > 0);
  return TreeResult::kRead;
}

// For each twelve bits: the bytes whose whole codes they begin with (up to
// four) and the bits those take, or (no byte) the branch they lead to.
constexpr int kTableBits = 12;
constexpr size_t kTableBytes = 4;

struct TableEntry {
  std::array<uint8_t, kTableBytes> bytes{};
  uint8_t count = 0;
  uint8_t bits = 0;
  int16_t node = 0;
};

using Table = std::array<TableEntry, size_t{1} << kTableBits>;

void BuildTable(const Tree& tree, Table& table) {
  for (uint32_t pattern = 0; pattern < table.size(); ++pattern) {
    TableEntry& entry = table[pattern];
    int32_t node = tree.root;
    int used = 0;
    for (int bit = 0; bit < kTableBits && entry.count < kTableBytes; ++bit) {
      node = ((pattern >> (kTableBits - 1 - bit)) & 1) != 0 ? tree.one[node] : tree.zero[node];
      if (node < kLeaves) {
        entry.bytes[entry.count++] = static_cast<uint8_t>(node);
        used = bit + 1;
        node = tree.root;
      }
    }
    entry.bits = static_cast<uint8_t>(entry.count != 0 ? used : kTableBits);
    entry.node = static_cast<int16_t>(node);
  }
}

// One byte, bit by bit from the root; false when the bits run out.
bool DecodeOne(BitReader& bits, const Tree& tree, int32_t node, char*& next) {
  while (node >= kLeaves) {
    uint32_t bit = 0;
    if (!bits.Bit(bit)) return false;
    node = bit != 0 ? tree.one[node] : tree.zero[node];
  }
  *next++ = static_cast<char>(node);
  return true;
}

// Codes of four kilobytes or more go through the table; it costs about as
// much to build as so many codes take to decode bit by bit.
constexpr size_t kTableFrom = 4096;

// Decodes `size` bytes into `out`; false when the codes run out first,
// `out` then holding the bytes decoded.
bool DecodeCodes(BitReader& bits, const Tree& tree, size_t size, size_t code_bytes, std::string& out) {
  out.resize(size);
  char* const first = out.data();
  char* next = first;
  char* const last = first + size;
  if (code_bytes >= kTableFrom) {
    auto table = std::make_unique<Table>();
    BuildTable(tree, *table);
    while (last - next >= static_cast<ptrdiff_t>(kTableBytes)) {
      if (bits.count() < kTableBits) bits.Refill();
      if (bits.count() < kTableBits) break;  // the last bits go one by one
      const TableEntry& entry = (*table)[bits.Top(kTableBits)];
      bits.Consume(entry.bits);
      if (entry.count != 0) {
        std::memcpy(next, entry.bytes.data(), kTableBytes);
        next += entry.count;
      } else if (!DecodeOne(bits, tree, entry.node, next)) {
        out.resize(static_cast<size_t>(next - first));
        return false;
      }
    }
  }
  while (next != last) {
    if (!DecodeOne(bits, tree, tree.root, next)) {
      out.resize(static_cast<size_t>(next - first));
      return false;
    }
  }
  return true;
}

}  // namespace

bool DecodeCompressedSequence(ByteView file, size_t begin, size_t end, std::string& out, Problems& problems) {
  if (end - begin < 4) {
    problems.Add(begin, "compressed sequence of " + std::to_string(end - begin) + " bytes, too short for its size");
    return false;
  }
  const uint32_t declared = BigEndian32(file, begin);
  BitReader bits(file, begin + 4, end);
  Tree tree;
  const TreeResult result = ReadTree(bits, tree);
  if (result != TreeResult::kRead) {
    problems.Add(begin + 4, result == TreeResult::kCut ? "the code tree of the compressed sequence is cut off"
                                                       : "the code tree of the compressed sequence has more than "
                                                         "255 branches");
    return false;
  }
  const uint64_t most = uint64_t{8} * (end - begin - 4);
  const size_t size = static_cast<size_t>(declared < most ? declared : most);
  if (tree.root < kLeaves) {
    // One byte only, and no bits for it.
    out.assign(size, static_cast<char>(tree.root));
  } else if (!DecodeCodes(bits, tree, size, end - begin - 4, out)) {
    problems.Add(begin, "the compressed sequence declares " + std::to_string(declared) + " bytes but its codes end after " +
                            std::to_string(out.size()));
    return false;
  }
  if (size < declared) {
    problems.Add(begin, "the compressed sequence declares " + std::to_string(declared) + " bytes, more than its " +
                            std::to_string(end - begin - 4) + " bytes of codes can hold");
    return false;
  }
  return true;
}

}  // namespace chimekit::smafread::detail
