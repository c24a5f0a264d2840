#pragma once

namespace saver {

class frmMain;

// Turns the stored settings into the saver's screen: the picture, the colours, the
// motion and its speed, both text lines, the block's size and its starting place, and
// one tick to put every element there. A failure is reported and the set-up goes on
// without the picture, or with the key's default, so the countdown always shows.
void ApplySettings(frmMain &form);

// After the countdown has been composed anew (the date changed): both lines take its texts
// and the block is measured again for them; a block travelling up or down stays centred.
void ShowNewCountdown(frmMain &form);

} // namespace saver
