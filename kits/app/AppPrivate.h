// Bookkeeping shared by the application and interface kits; not for use outside kits/.
#pragma once

#include <vector>

class BHandler;
class BWindow;

namespace tunk_internal {

// Every BWindow that exists, in creation order.
std::vector<BWindow*>& WindowList();

// Whether the handler exists (messengers may outlive their targets).
bool HandlerAlive(const BHandler* handler);

} // namespace tunk_internal
