// Catches the engine's alerts for the lifetime of the object instead of printing them.
#pragma once

#include <string>
#include <vector>

#include "kits/support/AlertHook.h"

class AlertCapture {
public:
	struct Alert {
		std::string title;
		std::string text;
	};

	AlertCapture() { previous = set_alert_hook(&AlertCapture::Record); Alerts().clear(); }
	~AlertCapture() { set_alert_hook(previous); }

	AlertCapture(const AlertCapture&) = delete;
	AlertCapture& operator=(const AlertCapture&) = delete;

	static std::vector<Alert>& Alerts()
	{
		static std::vector<Alert> alerts;
		return alerts;
	}

private:
	static void Record(const char* title, const char* text) { Alerts().push_back({title, text}); }

	alert_hook previous;
};
