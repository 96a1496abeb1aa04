#include "kits/interface/Picture.h"

#include "kits/interface/InterfacePrivate.h"

BPicture::BPicture() = default;
BPicture::BPicture(const BPicture& other) = default;
BPicture& BPicture::operator=(const BPicture& other) = default;
BPicture::~BPicture() = default;

int32 BPicture::CountOps() const
{
	return int32(fOps.size());
}
