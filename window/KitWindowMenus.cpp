// The kit window's menu bar: the one every document window has (window/TunkMenus.h), with
// the Pad menu.
#include "window/KitWindow.h"

#include "window/TunkMenus.h"

void KitWindow::BuildMenus()
{
	fMenus = new TunkMenus(this);
	AddPatternMenus();
}

QAction* KitWindow::Action(uint32 code) const
{
	return fMenus->Action(code);
}

void KitWindow::UpdateMenus()
{
	fMenus->Update();
}
