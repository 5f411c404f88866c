#pragma once

// Internal to the DOM layer: the allocator libxml2 builds its trees with.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// A parsed document is millions of small blocks: nodes, attributes, short strings. Taken from
// the C library one by one, each costs a header, and on first touch each of its pages costs a
// page fault; for a document of a hundred megabytes those faults take longer than the parse.
// This allocator hands out small blocks from slabs of 2 MiB, each slab holding blocks of one
// size only (so a block needs no header), inside one region of address space reserved up front.
// Slabs after the first few may be backed by huge pages, so a big tree faults once per 2 MiB
// instead of once per 4 KiB. A slab whose blocks are all freed goes back to the system.
// While a big tree grows, a thread of its own has the system fill the next fresh slabs with
// zeroed pages ahead of need, so that clearing memory runs on another core, not in the parse.
// Large blocks, and every block the region does not hold (made before the allocator took over,
// or after the region is full), go to the C library; freeing recognises them by their address.
class XmlTreeAllocator
{
public:
    static constexpr std::size_t SlabSize = std::size_t(2) << 20;
    // The largest block taken from a slab; block sizes are the multiples of 16 up to it.
    static constexpr std::size_t LargestSmallBlock = 256;
    // Slabs of normal pages before huge pages are asked for: a small document stays small.
    static constexpr std::size_t SlabsBeforeHugePages = 32;
    // Fresh slabs kept populated ahead of the allocator once a tree is that big.
    static constexpr std::size_t SlabsPopulatedAhead = 16;

    // Reserves `reserveBytes` of address space (no memory yet). Where the system refuses, every
    // block goes to the C library.
    explicit XmlTreeAllocator(std::size_t reserveBytes);
    ~XmlTreeAllocator();
    XmlTreeAllocator(const XmlTreeAllocator &) = delete;
    XmlTreeAllocator &operator=(const XmlTreeAllocator &) = delete;

    void *Allocate(std::size_t size);
    void *Reallocate(void *block, std::size_t size);
    void Free(void *block);
    char *Duplicate(const char *text);

    // True for a block of a slab.
    bool Owns(const void *block) const;
    // Slabs that hold at least one block, or are kept ready for the next one.
    std::size_t SlabsInUse() const;

    // Gives libxml2 one allocator for the whole process, once. Not in sanitizer builds, whose
    // own allocator must see every block to find the faults it looks for.
    static void InstallForLibxml2();
    // The allocator libxml2 uses; null before InstallForLibxml2, in sanitizer builds, and where
    // the system gave no address space for it.
    static const XmlTreeAllocator *Installed();

private:
    struct Slab
    {
        void *freeList = nullptr; // freed blocks, linked through their first bytes
        std::uint32_t used = 0;   // bytes handed out from the start, freed or not
        std::uint32_t live = 0;   // blocks handed out and not freed
        std::int32_t prev = -1;   // in the list of slabs of its size with room
        std::int32_t next = -1;
        std::uint16_t sizeClass = 0; // 0 while the slab is unused
        bool listed = false;
    };
    static constexpr std::size_t ClassCount = LargestSmallBlock / 16 + 1;

    void *AllocateSmall(std::size_t sizeClass);
    void FreeSmall(void *block);
    std::int32_t NewSlab(std::size_t sizeClass);
    void Link(std::int32_t slab);
    void PopulateAhead();
    void PopulateLoop();
    void Unlink(std::int32_t slab);
    char *SlabStart(std::int32_t slab) const { return m_base + std::size_t(slab) * SlabSize; }
    std::size_t BlockSize(const Slab &slab) const { return std::size_t(slab.sizeClass) * 16; }

    char *m_mapping = nullptr;
    std::size_t m_mappingSize = 0;
    char *m_base = nullptr;
    std::size_t m_slabCount = 0;
    std::vector<Slab> m_slabs;
    std::vector<std::int32_t> m_freeSlabs; // released slabs, ready to serve any size
    std::size_t m_nextFresh = 0;           // slabs never used before start here
    std::size_t m_slabsInUse = 0;
    std::int32_t m_withRoom[ClassCount];
    mutable std::mutex m_mutex;

    // The populating thread; it only reads the index below and asks the system for pages.
    std::thread m_populator;
    std::mutex m_populateMutex;
    std::condition_variable m_populateWake;
    std::size_t m_populateWanted = 0; // slabs below this index should be populated
    bool m_populateStop = false;
};
