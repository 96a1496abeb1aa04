// What the single-sound instrument's description says of its UIs: Tunk's editor embedded in
// the host's window (with the show interface for hosts that give it no parent) and the same
// editor as an external UI, both from the UI library in the bundle.
#pragma once

#include <string>

namespace tunk::lv2 {

// Turtle statements, after a description whose prefixes they use (lv2, rdfs, urid).
std::string UiTurtle();

} // namespace tunk::lv2
