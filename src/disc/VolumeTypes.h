#pragma once
// The volume types offered, their engine codes, and what libisofs really writes for each:
// it writes ISO 9660 with Joliet and Rock Ridge names, but no UDF, so a UDF choice is given
// the nearest format it has and the window says so. Windows' disc-writing service writes each
// choice as named, without Rock Ridge.

#include <array>
#include <string>

namespace quill::disc {

struct VolumeTypeChoice {
  const char* text;
  int code;
  bool joliet;       // Joliet names (long Unicode names read by Windows)
  bool rockRidge;    // Rock Ridge names (long names, dates and modes read by Unix systems)
  const char* note;  // shown beside the list while the choice is selected; "" when exact
};

inline constexpr std::array<VolumeTypeChoice, 5> kVolumeTypes{{
    {"ISO9660", 1, false, true, ""},  // Rock Ridge keeps the names whole
    {"UDF", 4, true, true,
     "UDF is not written: this choice writes ISO 9660 with Joliet and Rock Ridge names."},
    {"ISO9660/Joliet Bridge", 3, true, false, ""},
    {"ISO9660/UDF (DVDVideo) Bridge", 5, true, false,
     "UDF is not written: this choice writes ISO 9660 with Joliet names; DVD players may not "
     "play it."},
    {"ISO9660/Joliet/UDF Bridge", 7, true, true,
     "UDF is not written: this choice writes ISO 9660 with Joliet and Rock Ridge names."},
}};

// The choice selected when the window starts.
inline constexpr int kDefaultVolumeType = 4;

// The choice with this code; the default one for an unknown code.
inline const VolumeTypeChoice& VolumeTypeByCode(int code) {
  for (const auto& choice : kVolumeTypes)
    if (choice.code == code) return choice;
  return kVolumeTypes[kDefaultVolumeType];
}

}  // namespace quill::disc
