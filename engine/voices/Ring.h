// Values from one thread to another (a real-time one on either side): a fixed ring of one
// writer and one reader that neither allocates, locks nor waits. A value that finds the ring
// full is refused: the writer never waits for the reader.
#pragma once

#include <atomic>
#include <cstdint>

namespace tunk::voices {

template <typename T, uint32_t Capacity> class Ring {
public:
	static constexpr uint32_t kCapacity = Capacity;

	// Writer: false when the ring is full (the value is lost).
	bool Push(const T& value)
	{
		const uint32_t write = fWrite.load(std::memory_order_relaxed);
		if (write - fRead.load(std::memory_order_acquire) == Capacity)
			return false;
		fValues[write % Capacity] = value;
		fWrite.store(write + 1, std::memory_order_release);
		return true;
	}

	// Reader: the oldest value without taking it, false when there is none.
	bool Peek(T* value) const
	{
		const uint32_t read = fRead.load(std::memory_order_relaxed);
		if (read == fWrite.load(std::memory_order_acquire))
			return false;
		*value = fValues[read % Capacity];
		return true;
	}

	// Reader: takes the oldest value, false when there is none.
	bool Pop(T* value)
	{
		if (!Peek(value))
			return false;
		fRead.store(fRead.load(std::memory_order_relaxed) + 1, std::memory_order_release);
		return true;
	}

private:
	T fValues[Capacity];
	std::atomic<uint32_t> fWrite{0};
	std::atomic<uint32_t> fRead{0};
};

} // namespace tunk::voices
