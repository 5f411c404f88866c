#pragma once

// Frees parsed trees once nothing refers to them.

#include <cstddef>

struct DomData;

// Freeing a tree visits each of its millions of blocks: a second and more for a document of a
// gigabyte. The last handle to a tree goes when its window closes, when a reload or a source
// commit replaces it, or when the history lets go of it, all on the window's thread; a big tree
// is therefore freed on a thread of its own, which nothing else uses, one tree after another.
// A small one is freed at once. Before the program ends, every tree handed over is freed.
class XmlTreeReleaser
{
public:
    // Frees `data`, whose last handle has gone: on the freeing thread when its tree was read from
    // text of CBackgroundTask::LargeWorkBytes() or more, here otherwise (and for trees built
    // without a text).
    static void Release(DomData *data);
    // Returns once every tree handed over so far has been freed.
    static void WaitUntilIdle();
    // Trees handed over and not yet freed.
    static std::size_t Pending();
};
