#include "xmltreeallocator.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <libxml/xmlmemory.h>

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define TW_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TW_SANITIZED_BUILD 1
#endif
#endif

namespace {

std::size_t classOf(std::size_t size)
{
    return size == 0 ? 1 : (size + 15) / 16;
}

} // namespace

XmlTreeAllocator::XmlTreeAllocator(std::size_t reserveBytes)
{
    for (std::int32_t &head : m_withRoom)
        head = -1;
    m_slabCount = reserveBytes / SlabSize;
    if (m_slabCount == 0 || m_slabCount > std::size_t(INT32_MAX))
        return;
    // One slab more than asked for, so that the slabs can start on a 2 MiB boundary, as huge
    // pages must.
    m_mappingSize = (m_slabCount + 1) * SlabSize;
    void *mapping = ::mmap(nullptr, m_mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED) {
        m_slabCount = 0;
        m_mappingSize = 0;
        return;
    }
    m_mapping = static_cast<char *>(mapping);
    const auto address = reinterpret_cast<std::uintptr_t>(m_mapping);
    m_base = reinterpret_cast<char *>((address + SlabSize - 1) & ~(std::uintptr_t(SlabSize) - 1));
    m_slabs.resize(m_slabCount);
#ifdef MADV_HUGEPAGE
    if (m_slabCount > SlabsBeforeHugePages) {
        // Advice only: where the system has no huge pages the slabs get normal ones.
        ::madvise(SlabStart(std::int32_t(SlabsBeforeHugePages)), (m_slabCount - SlabsBeforeHugePages) * SlabSize,
                  MADV_HUGEPAGE);
    }
#endif
}

XmlTreeAllocator::~XmlTreeAllocator()
{
    if (m_populator.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(m_populateMutex);
            m_populateStop = true;
        }
        m_populateWake.notify_one();
        m_populator.join();
    }
    if (m_mapping)
        ::munmap(m_mapping, m_mappingSize);
}

bool XmlTreeAllocator::Owns(const void *block) const
{
    const char *p = static_cast<const char *>(block);
    return m_base && p >= m_base && p < m_base + m_slabCount * SlabSize;
}

std::size_t XmlTreeAllocator::SlabsInUse() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_slabsInUse;
}

void *XmlTreeAllocator::Allocate(std::size_t size)
{
    if (m_base && size <= LargestSmallBlock) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (void *block = AllocateSmall(classOf(size)))
            return block;
    }
    return std::malloc(size);
}

void *XmlTreeAllocator::Reallocate(void *block, std::size_t size)
{
    if (!block)
        return Allocate(size);
    if (!Owns(block))
        return std::realloc(block, size);
    std::size_t old = 0;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        old = BlockSize(m_slabs[std::size_t(static_cast<char *>(block) - m_base) / SlabSize]);
    }
    if (size <= old && size > old / 2)
        return block;
    void *moved = Allocate(size);
    if (!moved)
        return nullptr; // the old block stays, as realloc leaves it
    std::memcpy(moved, block, size < old ? size : old);
    Free(block);
    return moved;
}

void XmlTreeAllocator::Free(void *block)
{
    if (!block)
        return;
    if (!Owns(block)) {
        std::free(block);
        return;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    FreeSmall(block);
}

char *XmlTreeAllocator::Duplicate(const char *text)
{
    if (!text)
        return nullptr;
    const std::size_t size = std::strlen(text) + 1;
    auto *copy = static_cast<char *>(Allocate(size));
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

void *XmlTreeAllocator::AllocateSmall(std::size_t sizeClass)
{
    std::int32_t index = m_withRoom[sizeClass];
    if (index < 0) {
        index = NewSlab(sizeClass);
        if (index < 0)
            return nullptr;
    }
    Slab &slab = m_slabs[std::size_t(index)];
    const std::size_t blockSize = BlockSize(slab);
    void *block = slab.freeList;
    if (block) {
        std::memcpy(&slab.freeList, block, sizeof(void *));
    } else {
        block = SlabStart(index) + slab.used;
        slab.used += std::uint32_t(blockSize);
    }
    ++slab.live;
    if (!slab.freeList && slab.used + blockSize > SlabSize)
        Unlink(index); // full
    return block;
}

void XmlTreeAllocator::FreeSmall(void *block)
{
    const auto index = std::int32_t(std::size_t(static_cast<char *>(block) - m_base) / SlabSize);
    Slab &slab = m_slabs[std::size_t(index)];
    std::memcpy(block, &slab.freeList, sizeof(void *));
    slab.freeList = block;
    --slab.live;
    if (!slab.listed)
        Link(index);
    // An empty slab goes back to the system, unless it is the only one of its size with room: a
    // block made and freed again and again must not map and unmap a slab each time.
    if (slab.live == 0 && (slab.prev >= 0 || slab.next >= 0)) {
        Unlink(index);
        ::madvise(SlabStart(index), SlabSize, MADV_DONTNEED);
        slab = Slab();
        m_freeSlabs.push_back(index);
        --m_slabsInUse;
    }
}

std::int32_t XmlTreeAllocator::NewSlab(std::size_t sizeClass)
{
    std::int32_t index = -1;
    if (!m_freeSlabs.empty()) {
        index = m_freeSlabs.back();
        m_freeSlabs.pop_back();
    } else if (m_nextFresh < m_slabCount) {
        index = std::int32_t(m_nextFresh++);
        PopulateAhead();
    } else {
        return -1; // the region is full: the C library takes over
    }
    Slab &slab = m_slabs[std::size_t(index)];
    slab = Slab();
    slab.sizeClass = std::uint16_t(sizeClass);
    ++m_slabsInUse;
    Link(index);
    return index;
}

void XmlTreeAllocator::PopulateAhead()
{
#ifdef MADV_POPULATE_WRITE
    if (m_nextFresh < SlabsBeforeHugePages)
        return; // a small tree: not worth a thread
    {
        const std::lock_guard<std::mutex> lock(m_populateMutex);
        m_populateWanted = std::min(m_nextFresh + SlabsPopulatedAhead, m_slabCount);
    }
    if (!m_populator.joinable())
        m_populator = std::thread([this] { PopulateLoop(); });
    else
        m_populateWake.notify_one();
#endif
}

void XmlTreeAllocator::PopulateLoop()
{
#ifdef MADV_POPULATE_WRITE
    // Populating only maps pages: a block already handed out keeps its bytes, so racing the
    // allocator is harmless. Where the system does not know the advice, the thread ends.
    std::size_t done = 0;
    for (;;) {
        std::size_t wanted = 0;
        {
            std::unique_lock<std::mutex> lock(m_populateMutex);
            m_populateWake.wait(lock, [&] { return m_populateStop || m_populateWanted > done; });
            if (m_populateStop)
                return;
            wanted = m_populateWanted;
        }
        done = std::max(done, wanted > SlabsPopulatedAhead ? wanted - SlabsPopulatedAhead : 0);
        for (; done < wanted; ++done) {
            if (::madvise(SlabStart(std::int32_t(done)), SlabSize, MADV_POPULATE_WRITE) != 0 && errno == EINVAL)
                return;
        }
    }
#endif
}

void XmlTreeAllocator::Link(std::int32_t index)
{
    Slab &slab = m_slabs[std::size_t(index)];
    std::int32_t &head = m_withRoom[slab.sizeClass];
    slab.prev = -1;
    slab.next = head;
    if (head >= 0)
        m_slabs[std::size_t(head)].prev = index;
    head = index;
    slab.listed = true;
}

void XmlTreeAllocator::Unlink(std::int32_t index)
{
    Slab &slab = m_slabs[std::size_t(index)];
    if (!slab.listed)
        return;
    if (slab.prev >= 0)
        m_slabs[std::size_t(slab.prev)].next = slab.next;
    else
        m_withRoom[slab.sizeClass] = slab.next;
    if (slab.next >= 0)
        m_slabs[std::size_t(slab.next)].prev = slab.prev;
    slab.prev = slab.next = -1;
    slab.listed = false;
}

namespace {

XmlTreeAllocator *processAllocator = nullptr;

void freeBlock(void *block) { processAllocator->Free(block); }
void *allocateBlock(size_t size) { return processAllocator->Allocate(size); }
void *reallocateBlock(void *block, size_t size) { return processAllocator->Reallocate(block, size); }
char *duplicateText(const char *text) { return processAllocator->Duplicate(text); }

} // namespace

const XmlTreeAllocator *XmlTreeAllocator::Installed()
{
    return processAllocator;
}

void XmlTreeAllocator::InstallForLibxml2()
{
#ifndef TW_SANITIZED_BUILD
    if (processAllocator)
        return;
    // 64 GiB of address space, taken only as slabs are used; never freed, as libxml2 may free
    // blocks until the process ends.
    auto *allocator = new XmlTreeAllocator(std::size_t(64) << 30);
    if (!allocator->m_base) {
        delete allocator;
        return;
    }
    processAllocator = allocator;
    xmlMemSetup(&freeBlock, &allocateBlock, &reallocateBlock, &duplicateText);
#endif
}
