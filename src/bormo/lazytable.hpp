// A fixed table of cache slots that is made when it is first written and
// dropped whole by its reset.  Most runs of the editor never load a language
// pack: their start-up and exit then touch none of the engine's caches.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

namespace bormo {

template <class T, size_t N> class lazytable {
public:
    // The slot i, the table made (every slot as T{} leaves it) if need be.
    T& operator[](size_t i) {
        if (!slots) slots = std::make_unique<std::array<T, N>>();
        return (*slots)[i];
    }
    // Every slot back to T{}.
    void reset() { slots.reset(); }
    bool made() const { return slots != nullptr; }
    static constexpr size_t size() { return N; }
    // The slots made so far: none before the first write.
    T* begin() { return slots ? slots->data() : nullptr; }
    T* end() { return slots ? slots->data() + N : nullptr; }
    const T* begin() const { return slots ? slots->data() : nullptr; }
    const T* end() const { return slots ? slots->data() + N : nullptr; }

private:
    std::unique_ptr<std::array<T, N>> slots;
};

} // namespace bormo
