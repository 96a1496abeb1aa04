// Drives real editor windows headless: an application object that records what reaches it,
// answers for alerts and file panels, and typed input into the windows' Qt widgets.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/SpaceBarFilter.h"
#include "engine/TunkSound.h"
#include "kits/app/AppDefs.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/interface/Alert.h"
#include "kits/interface/Button.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/Menu.h"
#include "kits/interface/QtEnvironment.h"
#include "kits/interface/Slider.h"
#include "kits/interface/TextControl.h"
#include "kits/interface/Window.h"
#include "kits/storage/TempDir.h"
#include "window/TunkWindow.h"

namespace window_test {

// The application object of the test program: it keeps the quit requests and file messages it
// gets instead of acting on them, so that a test can see what a window sent it.
class RecordingApp : public BApplication {
public:
	RecordingApp() : BApplication("application/x-vnd.Tunk-WindowTest") {}

	bool QuitRequested() override
	{
		quitRequests++;
		return false;
	}
	void RefsReceived(BMessage* message) override { refs.push_back(*message); }
	void MessageReceived(BMessage* message) override { messages.push_back(message->what); }

	int quitRequests = 0;
	std::vector<BMessage> refs;
	std::vector<uint32> messages;
};

inline RecordingApp* App()
{
	static RecordingApp* app = nullptr;
	if (app == nullptr)
		app = new RecordingApp;
	return app;
}

// Answers every alert for the lifetime of the object and remembers each one's text. Answers
// are taken from the queue; with an empty queue the first button is pressed.
class AlertAnswers {
public:
	struct Seen {
		std::string title;
		std::string text;
		std::vector<std::string> buttons;
		char escapeButton0;
	};

	AlertAnswers()
	{
		BAlert::SetAnswerHook([this](BAlert& alert) {
			Seen seen{alert.Title(), alert.Text(), {}, alert.Shortcut(0)};
			for (int32 i = 0; i < alert.CountButtons(); i++)
				seen.buttons.push_back(alert.ButtonLabel(i));
			seen_.push_back(seen);
			if (answers_.empty())
				return int32(0);
			std::function<int32(BAlert&)> answer = answers_.front();
			answers_.pop_front();
			return answer(alert);
		});
	}
	~AlertAnswers() { BAlert::SetAnswerHook(nullptr); }
	AlertAnswers(const AlertAnswers&) = delete;
	AlertAnswers& operator=(const AlertAnswers&) = delete;

	void Press(int32 index)
	{
		answers_.push_back([index](BAlert&) { return index; });
	}
	// Answers the next alert with `answer`, which may look at the dialog first.
	void Answer(std::function<int32(BAlert&)> answer) { answers_.push_back(std::move(answer)); }
	// Presses the Escape key in the dialog, as a person would.
	void PressEscape()
	{
		answers_.push_back([](BAlert& alert) {
			QTest::keyClick(alert.Dialog(), Qt::Key_Escape);
			return int32(-1);
		});
	}

	std::vector<std::string> Texts() const
	{
		std::vector<std::string> texts;
		for (const Seen& s : seen_)
			texts.push_back(s.text);
		return texts;
	}
	const std::vector<Seen>& All() const { return seen_; }

private:
	std::deque<std::function<int32(BAlert&)>> answers_;
	std::vector<Seen> seen_;
};

// Answers file panels: a save panel with a directory and a name, an open panel with files.
class PanelAnswers {
public:
	PanelAnswers()
	{
		BFilePanel::SetAnswerHook([this](BFilePanel& panel, std::vector<entry_ref>* refs,
		                              std::string* name, entry_ref* directory) {
			shown.push_back(panel.PanelMode());
			startFolders.push_back(directory->directory.empty() ? "" : directory->Path());
			if (panel.PanelMode() == B_SAVE_PANEL) {
				if (saveName.empty())
					return false;
				if (saveType >= 0)
					panel.SelectNameFilter(saveType);
				*name = saveName;
				*directory = saveDirectory;
				return true;
			}
			*refs = openRefs;
			return !openRefs.empty();
		});
	}
	~PanelAnswers() { BFilePanel::SetAnswerHook(nullptr); }
	PanelAnswers(const PanelAnswers&) = delete;
	PanelAnswers& operator=(const PanelAnswers&) = delete;

	// The directory as the panels name one: its parent's path and its own name.
	void SaveAs(const std::string& directoryPath, const std::string& name)
	{
		std::string::size_type slash = directoryPath.find_last_of('/');
		saveDirectory = entry_ref(directoryPath.substr(0, slash == 0 ? 1 : slash).c_str(),
		    directoryPath.substr(slash + 1).c_str());
		saveName = name;
	}

	std::vector<file_panel_mode> shown;
	// The folder each panel showed first.
	std::vector<std::string> startFolders;
	std::string saveName;
	// The file type chosen in a save panel; -1 leaves the panel's choice.
	int32 saveType = -1;
	entry_ref saveDirectory;
	std::vector<entry_ref> openRefs;
};

// Points the type registry at a fresh directory while it lives.
class ScratchDataHome {
public:
	ScratchDataHome()
	{
		const char* old = std::getenv("XDG_DATA_HOME");
		hadOld_ = old != nullptr;
		if (hadOld_)
			old_ = old;
		setenv("XDG_DATA_HOME", dir.Path().c_str(), 1);
	}
	~ScratchDataHome()
	{
		if (hadOld_)
			setenv("XDG_DATA_HOME", old_.c_str(), 1);
		else
			unsetenv("XDG_DATA_HOME");
	}

	TempDir dir;

private:
	bool hadOld_ = false;
	std::string old_;
};

// Two preset records alike byte for byte.
inline bool SameRecord(const PresetParams& a, const PresetParams& b)
{
	return std::memcmp(&a, &b, sizeof(PresetParams)) == 0;
}

template <typename T> T* Find(BWindow* window, const char* name)
{
	T* view = dynamic_cast<T*>(window->FindView(name));
	EXPECT_NE(view, nullptr) << name;
	return view;
}

// Types text into a text control and commits it with Enter.
inline void Type(BWindow* window, const char* control, const char* text)
{
	QLineEdit* edit = Find<BTextControl>(window, control)->TextView();
	edit->setFocus();
	edit->selectAll();
	QTest::keyClicks(edit, text);
	QTest::keyClick(edit, Qt::Key_Return);
	ProcessEvents();
}

// Moves a slider as the keyboard does: one message, sent at once.
inline void Slide(BWindow* window, const char* slider, int value)
{
	Find<BSlider>(window, slider)->SliderWidget()->setValue(value);
	ProcessEvents();
}

inline void Click(BWindow* window, const char* control)
{
	BView* view = window->FindView(control);
	QAbstractButton* button = nullptr;
	if (auto* box = dynamic_cast<BCheckBox*>(view))
		button = box->CheckBox();
	else if (auto* push = dynamic_cast<BButton*>(view))
		button = push->PushButton();
	ASSERT_NE(button, nullptr) << control;
	button->click();
	ProcessEvents();
}

// The window's sound as it is now, empty when it has none.
inline std::vector<int16> Samples(const TunkWindow* window)
{
	int64 count = 0;
	const int16* buffer = window->Sound()->GetBuffer(&count);
	return buffer != nullptr ? std::vector<int16>(buffer, buffer + count) : std::vector<int16>();
}

inline std::string Text(BWindow* window, const char* control)
{
	return Find<BTextControl>(window, control)->Text();
}

inline int32 Value(BWindow* window, const char* control)
{
	return Find<BControl>(window, control)->Value();
}

inline bool Enabled(BWindow* window, const char* control)
{
	return Find<BControl>(window, control)->IsEnabled();
}

// Editor windows made by a test and closed after it, with answers for alerts and panels and a
// scratch type registry. A new window takes the start-up frame, a window for a file the file frame.
class WindowFixture : public ::testing::Test {
protected:
	void SetUp() override { App(); }

	void TearDown() override
	{
		for (TunkWindow* window : windows) {
			if (BLooper::IsAlive(window))
				window->Quit();
		}
		ProcessEvents();
	}

	TunkWindow* New() { return Shown(new TunkWindow(BRect(50, 50, 560, 515), new SpaceBarFilter)); }

	TunkWindow* Open(const std::string& directory, const std::string& name)
	{
		entry_ref ref(directory.c_str(), name.c_str());
		return Shown(new TunkWindow(BRect(100, 100, 610, 565), &ref, new SpaceBarFilter));
	}

	// Closes a window as its close box does.
	void Close(TunkWindow* window)
	{
		window->PostMessage(B_QUIT_REQUESTED);
		ProcessEvents();
	}

	ScratchDataHome home;
	TempDir dir;
	AlertAnswers alerts;
	PanelAnswers panels;
	std::vector<TunkWindow*> windows;

private:
	TunkWindow* Shown(TunkWindow* window)
	{
		windows.push_back(window);
		window->Show();
		ProcessEvents();
		return window;
	}
};

} // namespace window_test
