// BPicture: a recording of drawing calls and state changes that a view can replay.
#pragma once

#include <memory>
#include <vector>

#include "kits/support/SupportDefs.h"

namespace tunk_internal {
struct PictureOp;
}

class BPicture {
public:
	BPicture();
	BPicture(const BPicture& other);
	BPicture& operator=(const BPicture& other);
	virtual ~BPicture();

	// The number of recorded operations (drawing calls and state changes).
	int32 CountOps() const;
	bool IsEmpty() const { return CountOps() == 0; }

private:
	friend class BView;

	std::vector<tunk_internal::PictureOp> fOps;
};
