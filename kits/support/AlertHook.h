// How code without a window toolkit (the engine, command-line tools) shows an error
// that the user must see. The window toolkit installs a hook that runs a modal alert;
// without one the title and text go to standard error.
#pragma once

typedef void (*alert_hook)(const char* title, const char* text);

// Installs the hook (nullptr restores the standard-error fallback) and returns the previous one.
alert_hook set_alert_hook(alert_hook hook);

// Shows the error through the installed hook and returns once the user has dismissed it.
void show_error_alert(const char* title, const char* text);
