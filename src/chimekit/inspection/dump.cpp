#include "chimekit/inspection/dump.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "chimekit/inspection/dump_names.h"
#include "midifile/rounding.h"

namespace chimekit {
namespace {

using midifile::ByteString;
using midifile::TMidiEvent;

using namespace chimekit::dump;

// One listing in the making: the lines so far and the program and bank in
// force on each channel.
class Listing {
 public:
  Listing(bool verbose, ChannelNumbers numbers)
      : verbose_(verbose), first_channel_(numbers == ChannelNumbers::from_one ? 1 : 0) {}

  void Visit(const TMidiEvent& event) {
    uint8_t channel = event.Channel();
    switch (event.Status & 0xF0) {
      case 0x90:
        // A note-on of duration 0 or less ends a note (velocity 0) or was
        // never ended: it is not listed in either form.
        if (event.Duration < 1) return;
        if (verbose_) {
          NoteOnLine(event);
        } else {
          NoteListLine(event);
        }
        return;
      case 0xB0:
        if (event.Data1 == 0) bank_[channel] = event.Data2;
        break;
      case 0xC0:
        program_[channel] = event.Data1;
        break;
      default:
        break;
    }
    if (verbose_) EventLine(event);
  }

  ByteString Take() { return std::move(out_); }

 private:
  void Start(const TMidiEvent& event) {
    AppendDecimal(out_, event.Time);
    out_ += ":   ";
  }
  void End() { out_ += "\r\n"; }
  void AppendChannel(uint8_t channel) { AppendDecimal(out_, channel + first_channel_); }

  void Note(const TMidiEvent& event) {
    out_ += "Note ";
    AppendNoteName(out_, event.Data1);
    out_ += " [";
    AppendDecimal(out_, event.Data1);
  }

  void NoteOnLine(const TMidiEvent& event) {
    Start(event);
    Note(event);
    out_ += "] on with velocity ";
    AppendDecimal(out_, event.Data2);
    out_ += " for time ";
    AppendDecimal(out_, event.Duration);
    out_ += "mS at channel ";
    AppendChannel(event.Channel());
    End();
  }

  void NoteListLine(const TMidiEvent& event) {
    uint8_t channel = event.Channel();
    AppendChannel(channel);
    out_ += ',';
    AppendNoteName(out_, event.Data1);
    out_ += " [";
    AppendDecimal(out_, event.Data1);
    out_ += "],";
    AppendDecimal(out_, event.Data2);
    out_ += ',';
    AppendDecimal(out_, event.Time);
    out_ += ',';
    // Times wrap at 32 bits in the model, so the end is the note-off's time.
    AppendDecimal(out_, midifile::WrappingAdd(event.Time, event.Duration));
    out_ += ',';
    AppendDecimal(out_, program_[channel]);
    out_ += " [";
    AppendDecimal(out_, bank_[channel]);
    out_ += ']';
    End();
  }

  // The full listing's line of any event other than a note-on; no line for
  // statuses that have none.
  void EventLine(const TMidiEvent& event) {
    const uint8_t channel = event.Channel();
    switch (event.Status & 0xF0) {
      case 0x80:
        Start(event);
        Note(event);
        out_ += "] off with velocity ";
        AppendDecimal(out_, event.Data2);
        out_ += " at channel ";
        AppendChannel(channel);
        End();
        return;
      case 0xA0:
        Start(event);
        out_ += "Polyphonic key ";
        AppendDecimal(out_, event.Data1);
        out_ += " with pressure ";
        AppendDecimal(out_, event.Data2);
        out_ += " at channel ";
        AppendChannel(channel);
        End();
        return;
      case 0xB0:
        Start(event);
        out_ += "Control change for controller ";
        AppendControllerText(out_, event.Data1);
        out_ += " with value ";
        AppendDecimal(out_, event.Data2);
        out_ += " at channel ";
        AppendChannel(channel);
        End();
        return;
      case 0xC0:
        Start(event);
        out_ += "Set intrument ";
        AppendDecimal(out_, event.Data1);
        out_ += " for channel ";
        AppendChannel(channel);
        End();
        return;
      case 0xD0:
        Start(event);
        out_ += "Pressure ";
        AppendDecimal(out_, event.Data1);
        out_ += " for channel ";
        AppendChannel(channel);
        End();
        return;
      case 0xE0:
        // Only the most significant byte of the wheel position.
        Start(event);
        out_ += "Pitch wheel value ";
        AppendDecimal(out_, event.Data2);
        out_ += " for channel ";
        AppendChannel(channel);
        End();
        return;
      case 0xF0:
        SystemLine(event);
        return;
      default:
        return;  // note-ons are listed by Visit; statuses below 80 give no line
    }
  }

  void SystemLine(const TMidiEvent& event) {
    std::string_view real_time;
    switch (event.Status) {
      case 0xF0:
        Start(event);
        out_ += "Exclusive Event [";
        // The real length: the event's second data byte keeps only its low
        // 8 bits.
        AppendDecimal(out_, static_cast<int64_t>(event.DataBytes.size()));
        out_ += "]:  ";
        AppendHexBytes(out_, event.DataBytes);
        End();
        return;
      case 0xF8: real_time = "Timing Clock [248]"; break;
      case 0xFA: real_time = "Start [250]"; break;
      case 0xFB: real_time = "Continue [251]"; break;
      case 0xFC: real_time = "Stop [252]"; break;
      case 0xFE: real_time = "Active Sensing [254]"; break;
      case 0xFF:
        Start(event);
        out_ += "SYSTEM REAL-TIME MESSAGE: Reset";
        AppendMetaDescription(out_, event, first_channel_);
        End();
        return;
      default:
        return;  // F1-F7, F9, FD: no line
    }
    Start(event);
    out_ += "SYSTEM REAL-TIME MESSAGE: ";
    out_ += real_time;
    End();
  }

  bool verbose_;
  uint8_t first_channel_;  // the number of the first channel: 0 or 1
  ByteString out_;
  std::array<uint8_t, 16> program_{};
  std::array<uint8_t, 16> bank_{};
};

}  // namespace

ByteString DumpText(const midifile::TMidiFile& file, bool verbose, ChannelNumbers numbers) {
  Listing listing(verbose, numbers);
  int32_t tracks = file.NumberOfTracks();
  for (int32_t t = 0; t < tracks; ++t) {
    for (const TMidiEvent& event : file.GetTrack(t).Events()) listing.Visit(event);
  }
  return listing.Take();
}

}  // namespace chimekit
