#include "document/KitDocument.h"

KitDocument::KitDocument(size_t bound) : fHistory(NewKit(kUntitledKitName), bound)
{
	fSaved = fHistory.Current();
}

void KitDocument::Open(const Kit& kit, const std::string& path, const std::string& name)
{
	fHistory.Reset(kit);
	fSaved = kit;
	fPath = path;
	fName = name;
}

void KitDocument::Saved(const std::string& path, const std::string& name)
{
	fSaved = Current();
	fPath = path;
	fName = name;
	fHistory.BreakMerge();
}
