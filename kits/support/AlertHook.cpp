#include "kits/support/AlertHook.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<alert_hook> sHook{nullptr};
}

alert_hook set_alert_hook(alert_hook hook)
{
	return sHook.exchange(hook);
}

void show_error_alert(const char* title, const char* text)
{
	if (alert_hook hook = sHook.load()) {
		hook(title, text);
		return;
	}
	std::fprintf(stderr, "%s%s%s\n", title != nullptr ? title : "",
		title != nullptr && title[0] != '\0' ? ": " : "", text != nullptr ? text : "");
}
