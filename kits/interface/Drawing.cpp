// The pixel rules of view drawing, written out by hand so that they are exact: rectangles
// include their right and bottom edges, lines both end points, every pixel of one call is
// touched once (so alpha blending never applies twice), and alpha blending rounds as documented
// in GraphicsDefs.h.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "kits/interface/InterfacePrivate.h"

namespace tunk_internal {

namespace {

bool PatternBit(const pattern& p, int x, int y)
{
	return (p.data[y & 7] & (0x80 >> (x & 7))) != 0;
}

QRgb ToRgb(rgb_color c)
{
	return qRgba(c.red, c.green, c.blue, c.alpha);
}

// An image's pixels, looked up once per drawing call rather than once per pixel (each
// QImage::scanLine call checks whether the image must be detached).
struct Pixels {
	explicit Pixels(QImage& image)
		: bits(image.bits()), stride(image.bytesPerLine()), width(image.width()),
		  height(image.height())
	{
	}
	QRgb* At(int x, int y) const { return reinterpret_cast<QRgb*>(bits + y * stride) + x; }

	uchar* bits;
	qsizetype stride;
	int width;
	int height;
};

// Writes colour c over the pixel as the drawing mode says. isHigh: whether the pattern chose
// the high colour here.
void PutPixel(const Pixels& image, bool opaque, int x, int y, const DrawState& state, bool isHigh)
{
	if (x < 0 || y < 0 || x >= image.width || y >= image.height)
		return;
	QRgb* pixel = image.At(x, y);
	rgb_color c = isHigh ? state.high : state.low;
	switch (state.mode) {
		case B_OP_OVER:
			if (!isHigh)
				return;
			break;
		case B_OP_ERASE:
			if (isHigh)
				return;
			break;
		case B_OP_INVERT:
			if (!isHigh)
				return;
			*pixel = qRgba(255 - qRed(*pixel), 255 - qGreen(*pixel), 255 - qBlue(*pixel),
			    opaque ? 255 : qAlpha(*pixel));
			return;
		case B_OP_ALPHA: {
			QRgb d = *pixel;
			uint8 a = opaque ? 255 : BlendChannel(uint8(qAlpha(d)), 255, c.alpha);
			*pixel = qRgba(BlendChannel(uint8(qRed(d)), c.red, c.alpha),
			    BlendChannel(uint8(qGreen(d)), c.green, c.alpha),
			    BlendChannel(uint8(qBlue(d)), c.blue, c.alpha), a);
			return;
		}
		default: break;
	}
	if (opaque)
		c.alpha = 255;
	*pixel = ToRgb(c);
}

} // namespace

int RoundCoordinate(float value)
{
	return int(std::floor(value + 0.5f));
}

// dst + (src - dst) * alpha / 255, rounded to the nearest integer. The quotient is never exactly
// halfway (255 is odd), so the rounding has no ties.
uint8 BlendChannel(uint8 dst, uint8 src, uint8 alpha)
{
	int product = (int(src) - int(dst)) * int(alpha);
	int step = (std::abs(product) + 127) / 255;
	return uint8(int(dst) + (product < 0 ? -step : step));
}

void FillRectPixels(QImage& image, bool opaque, BRect rect, const DrawState& state, pattern p)
{
	int left = std::max(RoundCoordinate(rect.left), 0);
	int top = std::max(RoundCoordinate(rect.top), 0);
	int right = std::min(RoundCoordinate(rect.right), image.width() - 1);
	int bottom = std::min(RoundCoordinate(rect.bottom), image.height() - 1);
	const Pixels pixels(image);
	for (int y = top; y <= bottom; y++) {
		for (int x = left; x <= right; x++)
			PutPixel(pixels, opaque, x, y, state, PatternBit(p, x, y));
	}
}

void StrokeRectPixels(QImage& image, bool opaque, BRect rect, const DrawState& state, pattern p)
{
	int left = RoundCoordinate(rect.left);
	int top = RoundCoordinate(rect.top);
	int right = RoundCoordinate(rect.right);
	int bottom = RoundCoordinate(rect.bottom);
	if (right < left || bottom < top)
		return;
	const Pixels pixels(image);
	auto put = [&](int x, int y) { PutPixel(pixels, opaque, x, y, state, PatternBit(p, x, y)); };
	for (int x = left; x <= right; x++) {
		put(x, top);
		if (bottom != top)
			put(x, bottom);
	}
	for (int y = top + 1; y < bottom; y++) {
		put(left, y);
		if (right != left)
			put(right, y);
	}
}

// Bresenham's line from the rounded end points, both included.
void StrokeLinePixels(
    QImage& image, bool opaque, BPoint from, BPoint to, const DrawState& state, pattern p)
{
	int x0 = RoundCoordinate(from.x);
	int y0 = RoundCoordinate(from.y);
	int x1 = RoundCoordinate(to.x);
	int y1 = RoundCoordinate(to.y);
	int dx = std::abs(x1 - x0);
	int dy = -std::abs(y1 - y0);
	int sx = x0 < x1 ? 1 : -1;
	int sy = y0 < y1 ? 1 : -1;
	int error = dx + dy;
	const Pixels pixels(image);
	while (true) {
		PutPixel(pixels, opaque, x0, y0, state, PatternBit(p, x0, y0));
		if (x0 == x1 && y0 == y1)
			break;
		int e2 = 2 * error;
		if (e2 >= dy) {
			error += dy;
			x0 += sx;
		}
		if (e2 <= dx) {
			error += dx;
			y0 += sy;
		}
	}
}

// B_OP_ALPHA blends each source pixel by its own alpha; B_OP_OVER skips fully transparent
// source pixels; every other mode copies.
void DrawImagePixels(
    QImage& image, bool opaque, const QImage& source, BPoint where, drawing_mode mode)
{
	QImage src = source.format() == QImage::Format_ARGB32
	                 ? source
	                 : source.convertToFormat(QImage::Format_ARGB32);
	int left = RoundCoordinate(where.x);
	int top = RoundCoordinate(where.y);
	int x0 = std::max(0, -left);
	int y0 = std::max(0, -top);
	int x1 = std::min(src.width(), image.width() - left);
	int y1 = std::min(src.height(), image.height() - top);
	for (int y = y0; y < y1; y++) {
		const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
		QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y + top)) + left;
		for (int x = x0; x < x1; x++) {
			QRgb s = in[x];
			if (mode == B_OP_ALPHA) {
				QRgb d = out[x];
				uint8 a = uint8(qAlpha(s));
				out[x] = qRgba(BlendChannel(uint8(qRed(d)), uint8(qRed(s)), a),
				    BlendChannel(uint8(qGreen(d)), uint8(qGreen(s)), a),
				    BlendChannel(uint8(qBlue(d)), uint8(qBlue(s)), a),
				    opaque ? 255 : BlendChannel(uint8(qAlpha(d)), 255, a));
			} else if (mode == B_OP_OVER && qAlpha(s) == 0) {
				continue;
			} else {
				out[x] = opaque ? (s | 0xff000000u) : s;
			}
		}
	}
}

} // namespace tunk_internal
