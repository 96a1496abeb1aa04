// The application's start-up as main runs it, ending the process the moment the first
// editor window is shown, so that a benchmark can time process start to first window.
#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <unistd.h>

#include "app/TunkApp.h"

namespace {

class FirstShow : public QObject {
public:
	bool eventFilter(QObject* object, QEvent* event) override
	{
		if (event->type() == QEvent::Show) {
			QWidget* widget = qobject_cast<QWidget*>(object);
			// The editor window, not a file panel's hidden one.
			if (widget != nullptr && widget->isWindow() && widget->isVisible()
				&& widget->windowTitle().startsWith("Tunk v1.1"))
				_exit(0);
		}
		return false;
	}
};

}  // namespace

int main(int argc, char** argv)
{
	BApplication::SetArgs(argc, argv);
	TunkApp* app = new TunkApp();
	qApp->installEventFilter(new FirstShow);
	app->Run();
	return 1;  // reached only when no window was ever shown
}
