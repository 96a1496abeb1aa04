// The plugins' UIs as the bundle's description names them and the UI library answers to.
#pragma once

namespace tunk::lv2 {

// Tunk's editor embedded in the host's window (ui:X11UI, with the show interface for hosts
// that give no parent window) ...
constexpr const char* kUiUri = "urn:quillfeather:tunk#ui";
// ... and in a window of its own for hosts of the external-UI extension.
constexpr const char* kExternalUiUri = "urn:quillfeather:tunk#ui-external";

// The external-UI extension: the UI class, and the feature through which the host hears that
// the user closed the window.
constexpr const char* kExternalUiPrefix = "http://kxstudio.sf.net/ns/lv2ext/external-ui#";
constexpr const char* kExternalUiWidget = "http://kxstudio.sf.net/ns/lv2ext/external-ui#Widget";
constexpr const char* kExternalUiHost = "http://kxstudio.sf.net/ns/lv2ext/external-ui#Host";

} // namespace tunk::lv2
