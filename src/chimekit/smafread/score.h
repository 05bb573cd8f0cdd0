// The neutral score of a SMAF file: everything the reader (read.h) finds in
// any SMAF file, whatever its sequence format, in one plain shape that the
// listing, the MIDI writer and the renderer take.
//
// Times are milliseconds from the start of the song. Every list is a vector
// of plain records (nothing is allocated per event). Byte ranges point into
// the file the score was read from, which must outlive the score's users;
// the exclusive messages of a track are copied into the track, because a
// compressed sequence has no bytes of them in the file.
//
// Handyphone values are kept as the file gives them, in MIDI's terms where
// it has them: volume, pan, expression and modulation as controllers 7,
// 10, 11 and 1 (the short forms through the format's tables), a bank
// select as controller 0 with its whole byte (0x80 and up: banks of drum
// voices), pitch bend as a 14-bit value.
//
// The reader keeps facts and problems apart: a value the format allows
// (any contents class, score track 5, a timebase of 1 ms, a voice in bank
// 0x7C) is a fact in these records; a departure from the format (a size
// beyond its chunk, a code the format does not define, a CRC that does not
// match) is a Problem with its offset, and reading goes on where it can.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace chimekit::smafread {

// [begin, begin + size) of the file's bytes.
struct ByteRange {
  uint32_t begin = 0;
  uint32_t size = 0;
};

struct Problem {
  uint32_t at = 0;  // file offset
  std::string text;
};

// Every chunk of the file in file order, the inner ones after their
// container, whatever the reader makes of them.
enum class ChunkRole : uint8_t {
  kContentInfo,   // "CNTI"
  kOptionalData,  // "OPDA"
  kDataEntries,   // "Dch?" inside OPDA
  kScoreTrack,    // "MTR?"
  kAudioTrack,    // "ATR?"
  kSetup,         // "Mtsu", "Atsu"
  kSequence,      // "Mtsq", "Atsq"
  kStreamPcm,     // "Mtsp"
  kWave,          // "Mwa?" inside Mtsp, "Awa?" inside ATR
  kSeekPhrase,    // "MspI", "MsqI", "AspI"
  kOther,         // named and skipped by its size
};

struct ChunkFact {
  uint32_t at = 0;  // offset of the identifier
  std::array<char, 4> id{};
  uint32_t size = 0;
  ByteRange body;
  uint8_t depth = 0;  // 0 in the MMMD body, 1 inside a track or OPDA, 2 inside Mtsp
  ChunkRole role = ChunkRole::kOther;
};

// A tag of the content information's option text: "ST:title," gives tag
// "ST" and the value "title" as stored (a backslash escapes the byte after
// it; OptionValue in read.h gives the value without escapes).
struct OptionTag {
  std::array<char, 2> tag{};
  ByteRange value;
};

struct ContentInfo {
  bool present = false;
  uint32_t at = 0;
  uint8_t contents_class = 0;
  uint8_t contents_type = 0;
  uint8_t code_type = 0;  // character set of the texts: 0x00 Shift-JIS, 0x01 Latin-1, 0x23 UTF-8, ...
  uint8_t copy_status = 0;
  uint8_t copy_counts = 0;
  ByteRange option_text;
  std::vector<OptionTag> tags;
};

// One entry of an OPDA "Dch?" chunk: a two-letter tag ("ST" title, "AN"
// artist, "CR" copyright, ...), a 16-bit size and the value.
struct DataEntry {
  uint32_t at = 0;
  uint8_t code_type = 0;  // the fourth byte of its "Dch?" chunk; 0xFF for a tag of an OPDA that holds text
  std::array<char, 2> tag{};
  ByteRange value;
};

enum class ChannelType : uint8_t { kNoCare = 0, kMelody = 1, kNoMelody = 2, kRhythm = 3 };

// A channel's entry in its track's channel status: Handyphone Standard
// tracks give four bits per channel (key control, vibration, type), Mobile
// Standard tracks a byte (key control in two bits, vibration, LED, type).
struct ChannelStatus {
  uint8_t key_control = 0;  // 0 not given, 1 off, 2 on
  bool vibration = false;
  bool led = false;
  ChannelType type = ChannelType::kNoCare;
};

// One FM operator with the fields the voice formats name. Handyphone voices
// carry no detune, sustain rate or XOF and hold `sustained` instead;
// Mobile Standard voices carry all but `sustained`.
struct FmOperator {
  uint8_t multiplier = 0;  // 0 stands for one half, 1 to 15 as they are
  uint8_t detune = 0;      // 0 to 7
  uint8_t attack_rate = 0;   // 0 to 15 each
  uint8_t decay_rate = 0;
  uint8_t sustain_rate = 0;
  uint8_t release_rate = 0;
  uint8_t sustain_level = 0;    // 0 (peak) to 15
  uint8_t total_level = 0;      // 0 (loudest) to 63
  uint8_t key_scale_level = 0;  // 0 to 3
  uint8_t am_depth = 0;         // 0 to 3
  uint8_t vibrato_depth = 0;    // 0 to 3
  uint8_t feedback = 0;         // 0 to 7 (Handyphone: the voice's feedback, on operator 0)
  uint8_t waveform = 0;         // 0 to 31 (Handyphone: 0 to 7)
  bool am = false;
  bool vibrato = false;
  bool sustain = false;          // SUS
  bool key_scale_rate = false;   // KSR
  bool ignore_key_off = false;   // XOF
  bool sustained = false;        // EGT: the envelope holds at the sustain level while the key is down
};

struct FmVoice {
  uint8_t algorithm = 0;       // 0 to 7; 0 and 1 use two operators, 2 to 7 four
  uint8_t operator_count = 2;  // 2 or 4
  uint8_t lfo = 0;             // 0 to 3
  uint8_t basic_octave = 0;    // Mobile Standard: 0 up one, 1 as written, 2 down one, 3 down two
  uint8_t panpot = 15;         // Mobile Standard: 0 (left) to 31, 15 centre
  bool pan_enable = false;
  uint8_t drum_key = 0;        // Mobile Standard: the voice's first byte, the key a drum voice sounds at
  std::array<FmOperator, 4> operators{};
};

// A sampled voice: it plays wave `wave` of its track's stream PCM (the
// "Mwa" chunks), `rate_hz` samples per second, from the start to
// `end_point` and, when `loop`, on from `loop_point` to `end_point` while
// the key is held. The voice gives no loop flag: a loop point before the
// end point is the loop. The high bit of the wave byte (RM) says the
// handset's own wave of that number is meant, not the file's.
struct PcmVoice {
  uint32_t rate_hz = 0;
  uint16_t loop_point = 0;  // in samples
  uint16_t end_point = 0;
  uint8_t wave = 0;  // wave number (the RM bit apart)
  bool loop = false;  // loop_point < end_point
  bool rom = false;   // the RM bit
  uint8_t panpot = 15;
  bool pan_enable = false;
  uint8_t lfo = 0;
  uint8_t attack_rate = 0;
  uint8_t decay_rate = 0;
  uint8_t sustain_rate = 0;
  uint8_t release_rate = 0;
  uint8_t sustain_level = 0;
  uint8_t total_level = 0;
  uint8_t am_depth = 0;
  uint8_t vibrato_depth = 0;
  bool am = false;
  bool vibrato = false;
  bool ignore_key_off = false;
  bool sustain = false;
};

// kOther: a setup message that defines no voice the reader knows (another
// voice type, or an exclusive message of another kind); listed, not played.
enum class VoiceKind : uint8_t { kFm, kPcm, kOther };

// How the setup's exclusive message spells the voice.
enum class VoiceForm : uint8_t {
  kHandyphone,   // 43 03 ordinal bank program, 2 + 5 bytes per operator
  kMobilePacked, // 43 79 06 7F 01 bank-MSB bank-LSB program drum-key type, 7-bit packed body
  kMobile,       // 43 79 07 7F 01 (the same header), body as it stands
  kMobileShort,  // 43 05 01 bank program, body as it stands
  kOther,        // any other exclusive message
};

struct Voice {
  uint32_t at = 0;  // the message's first byte
  VoiceKind kind = VoiceKind::kFm;
  VoiceForm form = VoiceForm::kHandyphone;
  uint8_t ordinal = 0;  // Handyphone messages number their voices
  uint8_t bank_msb = 0;
  uint8_t bank_lsb = 0;  // Handyphone: the message's bank byte
  uint8_t program = 0;
  uint8_t drum_key = 0;  // Mobile Standard: the key a drum voice answers, 0 for a melodic voice
  uint8_t type_code = 0;  // Mobile Standard: 0 FM, 1 PCM, others named but not read
  ByteRange body;         // the voice parameters in the file (packed where the form packs them)
  FmVoice fm;
  PcmVoice pcm;
};

// Wave data: stream PCM ("Mwa?" in a score track's "Mtsp") or an audio
// track's wave ("Awa?"). The bytes are left as they are: decoding ADPCM is
// the renderer's job.
enum class WaveFormat : uint8_t { kPcm = 0, kAdpcm = 1, kOther = 255 };

struct Wave {
  uint32_t at = 0;     // chunk offset
  uint8_t number = 0;  // the chunk identifier's fourth byte
  uint8_t format_code = 0;
  WaveFormat format = WaveFormat::kOther;  // kPcm: two's complement; kAdpcm: 4-bit ADPCM
  uint8_t channels = 1;
  uint8_t bits = 0;      // bits per sample: 4 for ADPCM, 8, 12 or 16 for PCM; 0 unknown
  uint32_t rate_hz = 0;  // 0 when the format names none
  ByteRange data;
};

// One entry of a seek and phrase chunk: a two-letter tag and its bytes.
struct PhraseMark {
  uint32_t at = 0;
  std::array<char, 2> tag{};
  ByteRange value;
};

enum class EventKind : uint8_t {
  kNote,             // key, velocity, gate (data: in gate units); `voice`
  kProgram,          // data: program 0 to 127
  kControl,          // key: MIDI controller number, data: value (bank select 0/32, modulation 1,
                     // volume 7, pan 10, expression 11, RPN 101/100 with data entry 6/38, ...)
  kPitchBend,        // data: 0 to 16383, 8192 centre (Handyphone files give its high seven bits); its
                     // range is what RPN 0 sets on the channel, if the file sets it
  kChannelPressure,  // data
  kKeyPressure,      // key, data
  kOctaveSetting,    // Handyphone control 0x32, data: its value; the keys after it already count from it
  kExclusive,        // data: index into the track's `exclusives`
  kWave,             // audio tracks: key = wave number, gate = how long it plays
  kNop,
  kEnd,              // the end of the sequence; its time is where the track ends
};

// 32 bytes; a track holds one per event.
struct ScoreEvent {
  uint64_t time_ms = 0;
  uint32_t gate_ms = 0;  // notes and waves: how long the key is held (at most 2^32 - 1)
  uint32_t at = 0;       // offset of the event's duration: in the file, or in the decoded stream of a compressed track
  uint32_t units = 0;    // the duration before the event, in duration timebase units
  uint32_t data = 0;     // by `kind`; notes and waves: the gate time in gate timebase units
  int16_t voice = -1;    // notes: index into the track's `voices` (below 32768), -1 when the setup defines none for it
  EventKind kind = EventKind::kNop;
  uint8_t channel = 0;   // the track's own channel: 0 to 3 (Handyphone, audio) or 0 to 15 (Mobile Standard)
  uint8_t key = 0;       // notes: MIDI key 0 to 127; controls: controller number; waves: wave number
  uint8_t velocity = 0;  // notes: 1 to 127 (Handyphone notes carry none and get 127)
  uint8_t code = 0;      // the byte that names the event in the file (a Handyphone note byte gives octave and note)
};

enum class SequenceFormat : uint8_t {
  kHandyphone = 0,        // format type 0
  kMobileCompressed = 1,  // format type 1: the sequence is Huffman coded
  kMobile = 2,            // format type 2
  kOther = 255,           // named, not read
};

struct ScoreTrack {
  uint32_t at = 0;
  uint8_t number = 0;  // the fourth byte of "MTR?"
  uint8_t format_code = 0;
  SequenceFormat format = SequenceFormat::kOther;
  uint8_t sequence_type = 0;
  uint8_t duration_code = 0;
  uint8_t gate_code = 0;
  uint32_t duration_ms = 0;  // of one duration unit; 0 when the code is unknown
  uint32_t gate_ms = 0;
  uint8_t channel_count = 0;  // 4 (Handyphone) or 16 (Mobile Standard)
  std::array<ChannelStatus, 16> channels{};
  uint32_t decoded_size = 0;  // compressed tracks: the bytes the sequence decodes to
  std::vector<Voice> voices;  // every message of the setup, in file order
  std::vector<Wave> waves;    // stream PCM
  std::vector<PhraseMark> phrases;
  std::vector<ScoreEvent> events;  // in time order (file order)
  std::vector<ByteRange> exclusives;  // ranges into `exclusive_bytes`: each message from its first byte after F0
  std::string exclusive_bytes;
  uint64_t end_ms = 0;  // the end of sequence, or the last event's time
};

struct AudioTrack {
  uint32_t at = 0;
  uint8_t number = 0;
  uint8_t format_type = 0;
  uint8_t sequence_type = 0;
  uint8_t wave_type = 0;  // channels (bit 7), format (bits 6-4), rate code (bits 3-0)
  uint8_t wave_base_bit = 0;
  WaveFormat format = WaveFormat::kOther;
  uint8_t channels = 1;
  uint8_t bits = 0;
  uint32_t rate_hz = 0;  // 0 when the rate code is unknown
  uint8_t duration_code = 0;
  uint8_t gate_code = 0;
  uint32_t duration_ms = 0;
  uint32_t gate_ms = 0;
  std::vector<Wave> waves;  // each with the track's format and rate
  std::vector<PhraseMark> phrases;
  std::vector<ScoreEvent> events;  // kWave with key = wave number and channel, controls, nops, kEnd
  std::vector<ByteRange> exclusives;
  std::string exclusive_bytes;
  uint64_t end_ms = 0;
};

struct SmafScore {
  uint32_t file_size = 0;
  bool is_smaf = false;        // begins with "MMMD" and its size
  uint32_t declared_size = 0;  // the MMMD size: the bytes after it, CRC included
  bool has_crc = false;
  bool crc_absent = false;  // written without a CRC: the chunks fill the MMMD chunk to its end
  uint16_t stored_crc = 0;
  uint16_t computed_crc = 0;
  std::vector<ChunkFact> chunks;
  ContentInfo content_info;
  std::vector<DataEntry> data_entries;
  std::vector<ScoreTrack> score_tracks;
  std::vector<AudioTrack> audio_tracks;
  std::vector<Problem> problems;  // in the order found
};

}  // namespace chimekit::smafread
