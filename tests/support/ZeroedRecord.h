// Records are large plain blocks from the C allocator; tests hold them zeroed on the heap, as the
// loaders make them, and release them with free.
#pragma once

#include <cstdlib>
#include <memory>

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};

template <class T>
using RecordPtr = std::unique_ptr<T, FreeDeleter>;

template <class T>
RecordPtr<T> Zeroed()
{
    return RecordPtr<T>(static_cast<T*>(std::calloc(1, sizeof(T))));
}
