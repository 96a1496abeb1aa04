// Compiled once per vector target (Highway's foreach_target re-includes this file); the
// part under HWY_ONCE, once, holds the plain path and the dispatch.
//
// Why the vector paths give the plain path's bits: every operation they use is one IEEE
// operation with the plain code's operands in its order (no contraction: -ffp-contract=off),
// and the one function that is not, exp, is only used where its result provably rounds to
// the same float as the C library's (see CurveBlock).

// AVX-512, AVX2, SSE4 and the portable path; the variants in between add nothing here.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_AVX3_DL)
#endif

#include "engine/core/Kernels.h"

#include "engine/core/NoiseSource.h"

#include <atomic>
#include <cmath>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/core/Kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>
// After highway.h: the math functions are compiled per target too.
#include <hwy/contrib/math/math-inl.h>

HWY_BEFORE_NAMESPACE();
namespace tunk::kernels::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// Doubles in full vectors and the floats they convert to and from in half ones.
using DD = hn::ScalableTag<double>;
using DF = hn::Rebind<float, DD>;

// The lanes of sample indices first + k, exact as doubles below 2^53.
inline hn::Vec<DD> Indices(DD dd, int64_t first, int32_t k)
{
	return hn::Iota(dd, double(first + k));
}

void RampBlock(int64_t first, double start, double a, double b, float* out, int32_t n)
{
	const DD dd;
	const DF df;
	const int32_t lanes = int32_t(hn::Lanes(dd));
	const auto vStart = hn::Set(dd, start);
	const auto vA = hn::Set(dd, a);
	const auto vB = hn::Set(dd, b);
	const auto zero = hn::Zero(dd);
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto t = hn::Sub(Indices(dd, first, k), vStart);
		const auto x = hn::IfThenElseZero(hn::Gt(t, zero), hn::Div(hn::Div(t, vA), vB));
		hn::StoreU(hn::DemoteTo(df, x), df, out + k);
	}
	for (; k < n; k++)
		out[k] = dsp::RampAt(first + k, start, a, b);
}

// Measured: on vectors of fewer than four doubles the vector exp and its check take longer
// than the library's exp, and passing lanes to the library through memory longer still
// (forced onto SSE4, the envelopes took twice the plain path's time): there the passes
// that need exponentials go sample by sample.
constexpr bool kVectorExp = hn::MaxLanes(DD()) >= 4;

// ExpNumerator lane by lane, with the library's exp.
inline hn::Vec<DF> LibraryExpNumerators(DF df, hn::Vec<DF> arg)
{
	HWY_ALIGN float lanes[hn::MaxLanes(df)];
	hn::Store(arg, df, lanes);
	for (size_t j = 0; j < hn::Lanes(df); j++)
		lanes[j] = dsp::ExpNumerator(lanes[j]);
	return hn::Load(df, lanes);
}

// ExpNumerator on lanes. The vector exp is within a few units in the last place of the C
// library's, so float(1 - e) is the library's wherever the interval of 2^-48 (1 + e) around
// 1 - e rounds to one float: the library's 1 - e lies in it, and rounding keeps order. The
// rare lane where the interval straddles two floats, non-numbers, arguments the vector exp
// does not take (-700 and below) and those from 88.5 on (where a conversion to float that
// saturates, as the portable target's does, would give the largest float instead of
// -infinity) get the library's exp.
inline hn::Vec<DF> ExpNumeratorLanes(DD dd, hn::Vec<DF> arg)
{
	const DF df;
	const auto one = hn::Set(dd, 1.0);
	const auto e = hn::Exp(dd, hn::PromoteTo(dd, arg));
	const auto y = hn::Sub(one, e);
	const auto m = hn::Mul(hn::Add(one, e), hn::Set(dd, 0x1p-48));
	const auto low = hn::DemoteTo(df, hn::Sub(y, m));
	const auto high = hn::DemoteTo(df, hn::Add(y, m));
	const auto inside = hn::And(hn::Gt(arg, hn::Set(df, -700.0f)), hn::Lt(arg, hn::Set(df, 88.5f)));
	if (HWY_LIKELY(hn::AllTrue(df, hn::And(hn::Eq(low, high), inside))))
		return low;
	return LibraryExpNumerators(df, arg);
}

void ExpNumeratorsBlock(const float* args, float* out, int32_t n)
{
	const DD dd;
	const DF df;
	const int32_t lanes = int32_t(hn::Lanes(dd));
	int32_t k = 0;
	if constexpr (kVectorExp) {
		for (; k + lanes <= n; k += lanes)
			hn::StoreU(ExpNumeratorLanes(dd, hn::LoadU(df, args + k)), df, out + k);
	}
	for (; k < n; k++)
		out[k] = dsp::ExpNumerator(args[k]);
}

// The exponential curve 1 - (1 - e^(x c)) / (1 - e^c), its numerator from ExpNumeratorLanes.
void CurveBlock(const dsp::EnvelopeCurve& curve, const float* x, float* out, int32_t n)
{
	if (!kVectorExp || !curve.Exponential()) {
		for (int32_t k = 0; k < n; k++)
			out[k] = curve.At(x[k]);
		return;
	}
	const DD dd;
	const DF df;
	const int32_t lanes = int32_t(hn::Lanes(dd));
	const auto vc = hn::Set(df, curve.Curvature());
	const auto one = hn::Set(dd, 1.0);
	const auto denominator = hn::Set(dd, double(curve.Denominator()));
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto numerator = ExpNumeratorLanes(dd, hn::Mul(hn::LoadU(df, x + k), vc));
		const auto ratio = hn::Div(hn::PromoteTo(dd, numerator), denominator);
		hn::StoreU(hn::DemoteTo(df, hn::Sub(one, ratio)), df, out + k);
	}
	for (; k < n; k++)
		out[k] = curve.At(x[k]);
}

void IncrementsBlock(float span, float end, float* env, int32_t n)
{
	const DD dd;
	const DF df;
	const int32_t lanes = int32_t(hn::Lanes(dd));
	const auto vSpan = hn::Set(df, span);
	const auto vEnd = hn::Set(df, end);
	const auto scale = hn::Set(dd, 2048.0);
	const auto rate = hn::Set(dd, double(kSampleRate));
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto hz = hn::Add(hn::Mul(hn::LoadU(df, env + k), vSpan), vEnd);
		const auto inc = hn::Div(hn::Mul(hn::PromoteTo(dd, hz), scale), rate);
		hn::StoreU(hn::DemoteTo(df, inc), df, env + k);
	}
	for (; k < n; k++)
		env[k] = dsp::IncrementAt(env[k], span, end);
}

void RiseBlock(int64_t first, double attackSamples, bool multiply, float* gains, int32_t n)
{
	const DD dd;
	const DF df;
	const int32_t lanes = int32_t(hn::Lanes(dd));
	const auto attack = hn::Set(dd, attackSamples);
	const auto full = hn::Set(dd, 1.0);
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto t = Indices(dd, first, k);
		// Chosen in double: float(1.0) is the 1.0f of the scalar code.
		auto rise = hn::DemoteTo(df, hn::IfThenElse(hn::Lt(t, attack), hn::Div(t, attack), full));
		if (multiply)
			rise = hn::Mul(hn::LoadU(df, gains + k), rise);
		hn::StoreU(rise, df, gains + k);
	}
	for (; k < n; k++) {
		const float rise = dsp::RiseAt(first + k, attackSamples);
		gains[k] = multiply ? gains[k] * rise : rise;
	}
}

void DecayGainsBlock(double e0, const double* powers, int64_t first, double start, double decay,
	double perDenominator, float* out, int32_t n)
{
	const DD dd;
	const DF df;
	const int32_t lanes = int32_t(hn::Lanes(dd));
	const auto vE0 = hn::Set(dd, e0);
	const auto vStart = hn::Set(dd, start);
	const auto vDecay = hn::Set(dd, decay);
	const auto vPer = hn::Set(dd, perDenominator);
	const auto one = hn::Set(dd, 1.0);
	const auto zero = hn::Zero(dd);
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto e = hn::Mul(vE0, hn::LoadU(dd, powers + k));
		const auto gain = hn::Sub(one, hn::Mul(hn::Sub(one, e), vPer));
		const auto decaying = hn::And(hn::Lt(hn::Sub(Indices(dd, first, k), vStart), vDecay),
			hn::Gt(gain, zero));
		// float(1.0) is the scalar code's 1.0f.
		const auto held = hn::IfThenElse(hn::Lt(gain, one), gain, one);
		hn::StoreU(hn::DemoteTo(df, hn::IfThenElseZero(decaying, held)), df, out + k);
	}
	for (; k < n; k++)
		out[k] = dsp::DecayGainAt(e0 * powers[k], first + k, start, decay, perDenominator);
}

using FF = hn::ScalableTag<float>;

// EdgeCorrection on lanes: both branches worked out, the one the scalar code takes kept.
inline hn::Vec<FF> EdgeCorrections(FF ff, hn::Vec<FF> t, hn::Vec<FF> dt, hn::Vec<FF> perDt,
	hn::Vec<FF> oneMinusDt)
{
	const auto one = hn::Set(ff, 1.0f);
	const auto a = hn::Mul(t, perDt);
	const auto rising = hn::Sub(hn::Sub(hn::Add(a, a), hn::Mul(a, a)), one);
	const auto b = hn::Mul(hn::Sub(t, one), perDt);
	const auto falling = hn::Add(hn::Add(hn::Add(hn::Mul(b, b), b), b), one);
	return hn::IfThenElse(hn::Lt(t, dt), rising,
		hn::IfThenElseZero(hn::Gt(t, oneMinusDt), falling));
}

// Metal's waves, each sample's added in the waves' order from 0, a wave at a time. Away
// from the edges both corrections are 0 and adding their difference leaves the ±1, so a
// run of lanes with none near an edge skips them, as the scalar code does a sample: its
// lanes add ±gain (the square's sign is the phase's top bit), and whether any lane is near
// an edge is found on the whole turns.
void MetalBlock(const MetalWave* waves, int32_t count, int64_t first, float* out, int32_t n)
{
	const FF ff;
	const hn::RebindToUnsigned<FF> du;
	const hn::RebindToSigned<FF> di;
	const int32_t lanes = int32_t(hn::Lanes(ff));
	const auto one = hn::Set(ff, 1.0f);
	const auto half = hn::Set(ff, 0.5f);
	const auto turn = hn::Set(ff, 0x1p-24f);
	const auto signBit = hn::Set(du, 0x80000000u);
	const auto halfPeriod = hn::Set(du, 0x7FFFFFu);
	for (int32_t k = 0; k < n; k++)
		out[k] = 0;
	for (int32_t w = 0; w < count; w++) {
		const MetalWave& wave = waves[w];
		const auto dt = hn::Set(ff, wave.dt);
		const auto oneMinusDt = hn::Sub(one, dt);
		const auto perDt = hn::Set(ff, wave.perDt);
		const auto gain = hn::Set(ff, wave.gain);
		const auto gainBits = hn::BitCast(du, gain);
		// With p = q 2^-24 and r = q modulo 2^23 (p within its half period), p or p + 1/2 is
		// below dt exactly when r < ceil(dt 2^24), and above 1 - dt exactly when
		// r > floor((1 - dt) 2^24) - 2^23 (dt below a half).
		const auto nearStart = hn::Set(di, int32_t(std::ceil(wave.dt * 0x1p24f)));
		const auto nearEnd = hn::Set(di, int32_t(std::floor((1.0f - wave.dt) * 0x1p24f)) - (1 << 23));
		// Whole turns modulo 2^32: stepping a vector of phases is exact.
		auto turns = hn::Add(hn::Set(du, wave.phase + uint32_t(first) * wave.step),
			hn::Mul(hn::Iota(du, 0), hn::Set(du, wave.step)));
		const auto advance = hn::Set(du, uint32_t(lanes) * wave.step);
		int32_t k = 0;
		for (; k + lanes <= n; k += lanes) {
			const auto r = hn::BitCast(di, hn::And(hn::ShiftRight<8>(turns), halfPeriod));
			auto added = hn::BitCast(ff, hn::Xor(gainBits, hn::And(turns, signBit)));
			if (!hn::AllFalse(di, hn::Or(hn::Lt(r, nearStart), hn::Gt(r, nearEnd)))) {
				const auto p = hn::Mul(hn::ConvertTo(ff, hn::BitCast(di, hn::ShiftRight<8>(turns))), turn);
				const auto firstHalf = hn::Lt(p, half);
				auto square = hn::IfThenElse(firstHalf, one, hn::Neg(one));
				const auto other = hn::IfThenElse(firstHalf, hn::Add(p, half), hn::Sub(p, half));
				const auto nearP = hn::Or(hn::Lt(p, dt), hn::Gt(p, oneMinusDt));
				if (wave.dt < 0.2f) {
					// Half a period apart, the two positions are never both near an edge:
					// the one correction that is not 0 is added (or, the other's, taken away).
					const auto edge = EdgeCorrections(ff, hn::IfThenElse(nearP, p, other), dt, perDt,
						oneMinusDt);
					square = hn::IfThenElse(nearP, hn::Add(square, edge), hn::Sub(square, edge));
				} else {
					square = hn::Add(square, hn::Sub(EdgeCorrections(ff, p, dt, perDt, oneMinusDt),
						EdgeCorrections(ff, other, dt, perDt, oneMinusDt)));
				}
				added = hn::Mul(square, gain);
			}
			hn::StoreU(hn::Add(hn::LoadU(ff, out + k), added), ff, out + k);
			turns = hn::Add(turns, advance);
		}
		for (; k < n; k++) {
			const float square = dsp::SquareAt(first + k, wave.phase, wave.step, wave.dt, wave.perDt);
			out[k] = out[k] + square * wave.gain;
		}
	}
}

// ReadTable on lanes: both entries gathered, the same interpolation.
inline hn::Vec<FF> ReadTableLanes(FF ff, const float* table, hn::Vec<FF> position)
{
	const hn::RebindToSigned<FF> di;
	const auto i = hn::ConvertTo(di, position);  // truncates, as int32_t(position)
	const auto f = hn::Sub(position, hn::ConvertTo(ff, i));
	const auto low = hn::GatherIndex(ff, table, i);
	const auto high = hn::GatherIndex(ff, table, hn::Add(i, hn::Set(di, 1)));
	return hn::Add(hn::Mul(hn::Sub(high, low), f), low);
}

void ToneBlock(const float* table, const float* phases, float* out, int32_t n)
{
	const FF ff;
	const int32_t lanes = int32_t(hn::Lanes(ff));
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes)
		hn::StoreU(ReadTableLanes(ff, table, hn::LoadU(ff, phases + k)), ff, out + k);
	for (; k < n; k++)
		out[k] = dsp::ReadTable(table, phases[k]);
}

void AddToneBlock(const float* table, const float* phases, float level, float* s, int32_t n)
{
	const FF ff;
	const int32_t lanes = int32_t(hn::Lanes(ff));
	const auto vLevel = hn::Set(ff, level);
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto t = ReadTableLanes(ff, table, hn::LoadU(ff, phases + k));
		hn::StoreU(hn::Add(hn::LoadU(ff, s + k), hn::Mul(t, vLevel)), ff, s + k);
	}
	for (; k < n; k++)
		s[k] = s[k] + dsp::ReadTable(table, phases[k]) * level;
}

void ShapeBlock(const float* table, float* s, int32_t n)
{
	const FF ff;
	const int32_t lanes = int32_t(hn::Lanes(ff));
	const auto scale = hn::Set(ff, 1024.0f);
	const auto length = hn::Set(ff, float(kTableLength));
	const auto zero = hn::Zero(ff);
	const auto top = hn::Set(ff, table[kTableLength]);
	const auto bottom = hn::Set(ff, table[0]);
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto position = hn::Add(hn::Mul(scale, hn::LoadU(ff, s + k)), scale);
		const auto inside = hn::And(hn::Ge(position, zero), hn::Lt(position, length));
		// Lanes outside the table read entry 0 and are replaced.
		const auto read = ReadTableLanes(ff, table, hn::IfThenElseZero(inside, position));
		auto shaped = hn::IfThenElse(hn::Lt(position, zero), bottom, position);
		shaped = hn::IfThenElse(hn::Ge(position, length), top, shaped);
		hn::StoreU(hn::IfThenElse(inside, read, shaped), ff, s + k);
	}
	for (; k < n; k++)
		s[k] = dsp::ShapeLookup(table, s[k]);
}

void AmplifyBlock(const float* gains, float amplitude, float* s, int32_t n)
{
	const FF ff;
	const int32_t lanes = int32_t(hn::Lanes(ff));
	const auto vAmplitude = hn::Set(ff, amplitude);
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		auto v = hn::LoadU(ff, s + k);
		if (gains != nullptr)
			v = hn::Mul(v, hn::LoadU(ff, gains + k));
		hn::StoreU(hn::Mul(v, vAmplitude), ff, s + k);
	}
	for (; k < n; k++)
		s[k] = (gains != nullptr ? s[k] * gains[k] : s[k]) * amplitude;
}

void MixBlock(const float* noise, const float* gains, float* s, int32_t n)
{
	const FF ff;
	const int32_t lanes = int32_t(hn::Lanes(ff));
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto added = hn::Mul(hn::LoadU(ff, noise + k), hn::LoadU(ff, gains + k));
		hn::StoreU(hn::Add(hn::LoadU(ff, s + k), added), ff, s + k);
	}
	for (; k < n; k++)
		s[k] = s[k] + noise[k] * gains[k];
}

void ToSamplesBlock(const float* s, int16_t* out, int32_t n)
{
	const DD dd;
	const DF df;
	const hn::Rebind<int32_t, DD> d32;
	const hn::Rebind<int16_t, DD> d16;
	const int32_t lanes = int32_t(hn::Lanes(dd));
	const auto full = hn::Set(dd, 32767.0);
	const auto least = hn::Set(dd, -32768.0);
	int32_t k = 0;
	for (; k + lanes <= n; k += lanes) {
		const auto v = hn::Mul(hn::PromoteTo(dd, hn::LoadU(df, s + k)), full);
		auto whole = hn::IfThenElse(hn::Ge(v, full), full, hn::Floor(v));
		// Not above the least (a non-number included): the least, or 0 for a non-number.
		whole = hn::IfThenElse(hn::Gt(v, least), whole, least);
		whole = hn::IfThenZeroElse(hn::IsNaN(v), whole);
		hn::StoreU(hn::DemoteTo(d16, hn::DemoteTo(d32, whole)), d16, out + k);
	}
	for (; k < n; k++)
		out[k] = dsp::ToSample(s[k]);
}

// Pink noise with the six integrators side by side in two vectors of four: the one chain
// from sample to sample is a product and a sum, and the in-order sum of the integrators
// is worked out beside it. The sixth integrator's "- w * c" is "+ w * -c", the same bits.
void PinkBlock(float* state, const float* white, float* out, int32_t n)
{
#if HWY_TARGET == HWY_SCALAR
	for (int32_t k = 0; k < n; k++)
		out[k] = dsp::PinkStep(state, white[k]);
#else
	const hn::FixedTag<float, 4> d4;
	HWY_ALIGN static constexpr float kDecayLow[4] = {0.99886f, 0.99332f, 0.96900f, 0.86650f};
	HWY_ALIGN static constexpr float kInLow[4] = {0.0555179f, 0.0750759f, 0.1538520f, 0.3104856f};
	HWY_ALIGN static constexpr float kDecayHigh[4] = {0.55000f, -0.7616f, 0.0f, 0.0f};
	HWY_ALIGN static constexpr float kInHigh[4] = {0.5329522f, -0.0168980f, 0.0f, 0.0f};
	const auto decayLow = hn::Load(d4, kDecayLow);
	const auto inLow = hn::Load(d4, kInLow);
	const auto decayHigh = hn::Load(d4, kDecayHigh);
	const auto inHigh = hn::Load(d4, kInHigh);
	HWY_ALIGN float high[4] = {state[4], state[5], 0.0f, 0.0f};
	auto low = hn::LoadU(d4, state);
	auto upper = hn::Load(d4, high);
	float delayed = state[6];
	for (int32_t k = 0; k < n; k++) {
		const float w = white[k];
		const auto vw = hn::Set(d4, w);
		low = hn::Add(hn::Mul(decayLow, low), hn::Mul(vw, inLow));
		upper = hn::Add(hn::Mul(decayHigh, upper), hn::Mul(vw, inHigh));
		float sum = hn::GetLane(low);
		sum = sum + hn::ExtractLane(low, 1);
		sum = sum + hn::ExtractLane(low, 2);
		sum = sum + hn::ExtractLane(low, 3);
		sum = sum + hn::GetLane(upper);
		sum = sum + hn::ExtractLane(upper, 1);
		sum = sum + delayed;
		delayed = w * 0.115926f;
		sum = (sum + w * 0.5362f) * 0.25f;
		out[k] = sum > 1.0f ? 1.0f : (sum < -1.0f ? -1.0f : sum);
	}
	hn::StoreU(low, d4, state);
	hn::Store(upper, d4, high);
	state[4] = high[0];
	state[5] = high[1];
	state[6] = delayed;
#endif
}

// SplitMix64 on lanes: 64-bit products put together from 32-bit ones.
#if HWY_TARGET != HWY_SCALAR
template <class DU>
inline hn::Vec<DU> Mul64(DU du, hn::Vec<DU> a, uint64_t factor)
{
#if HWY_TARGET <= HWY_AVX3
	return a * hn::Set(du, factor);  // AVX-512 multiplies 64-bit lanes itself
#else
	const hn::RepartitionToNarrow<DU> d32;
	const auto b = hn::Set(du, factor);
	const auto bHigh = hn::Set(du, factor >> 32);
	const auto low = hn::MulEven(hn::BitCast(d32, a), hn::BitCast(d32, b));
	const auto cross = hn::Add(hn::MulEven(hn::BitCast(d32, hn::ShiftRight<32>(a)), hn::BitCast(d32, b)),
		hn::MulEven(hn::BitCast(d32, a), hn::BitCast(d32, bHigh)));
	return hn::Add(low, hn::ShiftLeft<32>(cross));
#endif
}
#endif

void WhiteBlock(uint64_t state, float* out, int32_t n)
{
	int32_t k = 0;
#if HWY_TARGET != HWY_SCALAR
	const hn::ScalableTag<uint64_t> du;
	const hn::Rebind<uint32_t, decltype(du)> d32;
	const hn::Rebind<int32_t, decltype(du)> di;
	const hn::Rebind<float, decltype(du)> df;
	const int32_t lanes = int32_t(hn::Lanes(du));
	HWY_ALIGN uint64_t start[hn::MaxLanes(du)];
	for (int32_t j = 0; j < lanes; j++)
		start[j] = state + uint64_t(j + 1) * NoiseGenerator::kStep;
	auto z = hn::Load(du, start);
	const auto advance = hn::Set(du, uint64_t(lanes) * NoiseGenerator::kStep);
	const auto middle = hn::Set(di, 1 << 23);
	const auto grid = hn::Set(df, 1.0f / float(1 << 23));
	for (; k + lanes <= n; k += lanes) {
		auto m = Mul64(du, hn::Xor(z, hn::ShiftRight<30>(z)), 0xBF58476D1CE4E5B9ull);
		m = Mul64(du, hn::Xor(m, hn::ShiftRight<27>(m)), 0x94D049BB133111EBull);
		m = hn::Xor(m, hn::ShiftRight<31>(m));
		const auto bits = hn::Sub(hn::BitCast(di, hn::TruncateTo(d32, hn::ShiftRight<40>(m))), middle);
		hn::StoreU(hn::Mul(hn::ConvertTo(df, bits), grid), df, out + k);
		z = hn::Add(z, advance);
	}
#endif
	for (; k < n; k++)
		out[k] = NoiseGenerator::Signed(NoiseGenerator::Mix(state + uint64_t(k + 1) * NoiseGenerator::kStep));
}

const char* TargetNameHere()
{
	return hwy::TargetName(HWY_TARGET);
}

}  // namespace tunk::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tunk::kernels {

HWY_EXPORT(RampBlock);
HWY_EXPORT(CurveBlock);
HWY_EXPORT(ExpNumeratorsBlock);
HWY_EXPORT(IncrementsBlock);
HWY_EXPORT(RiseBlock);
HWY_EXPORT(DecayGainsBlock);
HWY_EXPORT(MetalBlock);
HWY_EXPORT(ToneBlock);
HWY_EXPORT(AddToneBlock);
HWY_EXPORT(ShapeBlock);
HWY_EXPORT(AmplifyBlock);
HWY_EXPORT(MixBlock);
HWY_EXPORT(ToSamplesBlock);
HWY_EXPORT(PinkBlock);
HWY_EXPORT(WhiteBlock);
HWY_EXPORT(TargetNameHere);

namespace {

// Set while the plain path is forced.
std::atomic<bool> plain{false};

bool Plain()
{
	return plain.load(std::memory_order_relaxed);
}

}  // namespace

void Ramp(int64_t first, double start, double a, double b, float* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(RampBlock)(first, start, a, b, out, n);
	for (int32_t k = 0; k < n; k++)
		out[k] = dsp::RampAt(first + k, start, a, b);
}

void Curve(const dsp::EnvelopeCurve& curve, const float* x, float* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(CurveBlock)(curve, x, out, n);
	for (int32_t k = 0; k < n; k++)
		out[k] = curve.At(x[k]);
}

void ExpNumerators(const float* args, float* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(ExpNumeratorsBlock)(args, out, n);
	for (int32_t k = 0; k < n; k++)
		out[k] = dsp::ExpNumerator(args[k]);
}

void Increments(float span, float end, float* env, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(IncrementsBlock)(span, end, env, n);
	for (int32_t k = 0; k < n; k++)
		env[k] = dsp::IncrementAt(env[k], span, end);
}

void Rise(int64_t first, double attackSamples, bool multiply, float* gains, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(RiseBlock)(first, attackSamples, multiply, gains, n);
	for (int32_t k = 0; k < n; k++) {
		const float rise = dsp::RiseAt(first + k, attackSamples);
		gains[k] = multiply ? gains[k] * rise : rise;
	}
}

void DecayGains(double e0, const double* powers, int64_t first, double start, double decay,
	double perDenominator, float* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(DecayGainsBlock)(e0, powers, first, start, decay, perDenominator,
			out, n);
	for (int32_t k = 0; k < n; k++)
		out[k] = dsp::DecayGainAt(e0 * powers[k], first + k, start, decay, perDenominator);
}

void Metal(const MetalWave* waves, int32_t count, int64_t first, float* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(MetalBlock)(waves, count, first, out, n);
	for (int32_t k = 0; k < n; k++)
		out[k] = 0;
	for (int32_t w = 0; w < count; w++) {
		const MetalWave& wave = waves[w];
		for (int32_t k = 0; k < n; k++) {
			const float square = dsp::SquareAt(first + k, wave.phase, wave.step, wave.dt, wave.perDt);
			out[k] = out[k] + square * wave.gain;
		}
	}
}

void Tone(const float* table, const float* phases, float* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(ToneBlock)(table, phases, out, n);
	for (int32_t k = 0; k < n; k++)
		out[k] = dsp::ReadTable(table, phases[k]);
}

void AddTone(const float* table, const float* phases, float level, float* s, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(AddToneBlock)(table, phases, level, s, n);
	for (int32_t k = 0; k < n; k++)
		s[k] = s[k] + dsp::ReadTable(table, phases[k]) * level;
}

void Shape(const float* table, float* s, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(ShapeBlock)(table, s, n);
	for (int32_t k = 0; k < n; k++)
		s[k] = dsp::ShapeLookup(table, s[k]);
}

void Amplify(const float* gains, float amplitude, float* s, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(AmplifyBlock)(gains, amplitude, s, n);
	for (int32_t k = 0; k < n; k++)
		s[k] = (gains != nullptr ? s[k] * gains[k] : s[k]) * amplitude;
}

void Mix(const float* noise, const float* gains, float* s, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(MixBlock)(noise, gains, s, n);
	for (int32_t k = 0; k < n; k++)
		s[k] = s[k] + noise[k] * gains[k];
}

void ToSamples(const float* s, int16_t* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(ToSamplesBlock)(s, out, n);
	for (int32_t k = 0; k < n; k++)
		out[k] = dsp::ToSample(s[k]);
}

void Pink(float* state, const float* white, float* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(PinkBlock)(state, white, out, n);
	for (int32_t k = 0; k < n; k++)
		out[k] = dsp::PinkStep(state, white[k]);
}

void White(uint64_t state, float* out, int32_t n)
{
	if (!Plain())
		return HWY_DYNAMIC_DISPATCH(WhiteBlock)(state, out, n);
	NoiseGenerator generator(state);
	for (int32_t k = 0; k < n; k++)
		out[k] = generator.NextSigned();
}

std::vector<Path> Paths()
{
	std::vector<Path> paths{{0, "plain"}};
	for (int64_t target : hwy::SupportedAndGeneratedTargets())
		paths.push_back({target, hwy::TargetName(target)});
	return paths;
}

void UsePath(int64_t id)
{
	plain.store(id == 0, std::memory_order_relaxed);
	hwy::SetSupportedTargetsForTest(id > 0 ? id : 0);
}

std::string CurrentPath()
{
	return Plain() ? "plain" : HWY_DYNAMIC_DISPATCH(TargetNameHere)();
}

}  // namespace tunk::kernels
#endif  // HWY_ONCE
