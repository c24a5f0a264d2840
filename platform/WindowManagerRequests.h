#pragma once

// Qt's X11 plugin asks the window manager for states (_NET_WM_STATE: above, below) for
// every native window it makes, child windows included, as messages to the root window.
// A window embedded in a host's must ask for nothing: hosts such as xsecurelock log every
// such message as unexpected. The program therefore exports its own xcb_send_event
// (linked with -Wl,--export-dynamic-symbol=xcb_send_event), which the plugin's calls
// reach before libxcb's: it drops those requests once told to, and passes everything
// else on.
namespace platform {

// From now on no _NET_WM_STATE request of this program reaches the X server. Needs
// Qt's X11 connection; without one it does nothing.
void DropWindowManagerStateRequests();

} // namespace platform
