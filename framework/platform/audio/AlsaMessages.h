#pragma once

namespace Zorbel {

// ALSA writes its complaints (no sound card, no sound server) to standard error, also when SDL asks
// it for a device. A missing device is an ordinary answer for us, told in our own words, so the
// messages are silenced for the whole process. Safe to call often, from any thread.
void SilenceAlsaMessages();

} // namespace Zorbel
