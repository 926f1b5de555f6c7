// Colour choice shared by every page: the channel edits (red, green, blue
// typed as decimal numbers) and the colour picker run over the main window.
#pragma once

#include <QString>
#include <cstdint>

namespace mouse {

class CEditUI;
class WindowImplBase;

enum class Channel { Red, Green, Blue };

// A channel value as typed: leading blanks, an optional sign and decimal
// digits, read up to the first other character (no digits gives 0). Values
// outside 0-255 come back clamped with `clamped` set.
int ParseChannel(const QString& text, bool& clamped);

// Reads a channel edit after the user typed into it; a value outside 0-255
// is clamped and the edit then shows the clamped number.
int TakeChannelEntry(CEditUI& edit);

// The on-screen colour 0xAARRGGBB with one channel replaced; alpha 0xFF.
uint32_t WithChannel(uint32_t argb, Channel channel, int value);

// Shows the channels of an on-screen colour in three edits ("%d" each).
void ShowChannels(uint32_t argb, CEditUI* red, CEditUI* green, CEditUI* blue);

// Runs the colour picker modally over `owner` (the main window), starting
// from `argb` (0xAARRGGBB). The owner's overlay disable_window_ver covers it
// while the picker is open. True, with `argb` set to the chosen colour (alpha
// 0xFF), only when the user confirmed with OK; otherwise `argb` is unchanged.
bool PickColour(WindowImplBase* owner, uint32_t& argb);

}  // namespace mouse
