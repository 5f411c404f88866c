// The allocator libxml2 builds trees with: blocks from slabs, blocks of other origin handed on to
// the C library, contents kept across a reallocation, and empty slabs given back.
#include "document/xmltreeallocator.h"
#include "document/xmldocument.h"
#include "document/xmlnode.h"

#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

namespace {
constexpr std::size_t FourSlabs = 4 * XmlTreeAllocator::SlabSize;
}

class TestXmlTreeAllocator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void smallBlocksComeFromSlabsAndLargeOnesFromTheCLibrary()
    {
        XmlTreeAllocator allocator(FourSlabs);
        std::set<void *> seen;
        for (std::size_t size : {0, 1, 15, 16, 17, 120, 255, 256}) {
            void *block = allocator.Allocate(size);
            QVERIFY(block);
            QVERIFY(allocator.Owns(block));
            QCOMPARE(reinterpret_cast<std::uintptr_t>(block) % 16, std::uintptr_t(0));
            QVERIFY(seen.insert(block).second);
            std::memset(block, 0xAB, size);
        }
        void *large = allocator.Allocate(257);
        QVERIFY(large);
        QVERIFY(!allocator.Owns(large));
        allocator.Free(large);
        for (void *block : seen)
            allocator.Free(block);
    }

    void blocksOfOtherOriginGoToTheCLibrary()
    {
        XmlTreeAllocator allocator(FourSlabs);
        // Made before the allocator took over: freed and grown by the C library.
        void *foreign = std::malloc(32);
        std::memcpy(foreign, "made by malloc", 15);
        foreign = allocator.Reallocate(foreign, 64);
        QVERIFY(!allocator.Owns(foreign));
        QCOMPARE(QByteArray(static_cast<char *>(foreign)), QByteArray("made by malloc"));
        allocator.Free(foreign);
        allocator.Free(nullptr);
    }

    void reallocationKeepsTheContents()
    {
        XmlTreeAllocator allocator(FourSlabs);
        char *text = allocator.Duplicate("element name");
        QVERIFY(allocator.Owns(text));
        text = static_cast<char *>(allocator.Reallocate(text, 100));
        QVERIFY(allocator.Owns(text));
        QCOMPARE(QByteArray(text), QByteArray("element name"));
        std::memset(text + 12, 'x', 87);
        text[99] = '\0';
        // Past the slabs' largest block: into the C library, every byte kept.
        text = static_cast<char *>(allocator.Reallocate(text, 4000));
        QVERIFY(!allocator.Owns(text));
        QCOMPARE(QByteArray(text).size(), 99);
        QVERIFY(QByteArray(text).startsWith("element name"));
        allocator.Free(text);
        QCOMPARE(allocator.Duplicate(nullptr), static_cast<char *>(nullptr));
    }

    void freedBlocksAreMadeAgain()
    {
        XmlTreeAllocator allocator(FourSlabs);
        void *keep = allocator.Allocate(48);
        void *first = allocator.Allocate(48);
        allocator.Free(first);
        QCOMPARE(allocator.Allocate(48), first);
        allocator.Free(first);
        allocator.Free(keep);
    }

    void emptySlabsGoBack()
    {
        XmlTreeAllocator allocator(std::size_t(64) * XmlTreeAllocator::SlabSize);
        // Three slabs and a bit of 128-byte blocks, the size of an element node.
        const std::size_t count = 3 * XmlTreeAllocator::SlabSize / 128 + 10;
        std::vector<void *> blocks;
        for (std::size_t i = 0; i < count; ++i)
            blocks.push_back(allocator.Allocate(120));
        QCOMPARE(allocator.SlabsInUse(), std::size_t(4));
        for (void *block : blocks)
            allocator.Free(block);
        // One empty slab stays ready for the next block of its size.
        QCOMPARE(allocator.SlabsInUse(), std::size_t(1));
        // The slabs given back serve again, for any size, and hold zeroes, not old blocks.
        auto *again = static_cast<unsigned char *>(allocator.Allocate(200));
        QVERIFY(allocator.Owns(again));
        allocator.Free(again);
    }

    void aFullRegionHandsOverToTheCLibrary()
    {
        XmlTreeAllocator allocator(XmlTreeAllocator::SlabSize);
        std::vector<void *> blocks;
        bool handedOver = false;
        for (std::size_t i = 0; i < XmlTreeAllocator::SlabSize / 16 + 5; ++i) {
            blocks.push_back(allocator.Allocate(16));
            QVERIFY(blocks.back());
            handedOver = handedOver || !allocator.Owns(blocks.back());
        }
        QVERIFY(handedOver);
        for (void *block : blocks)
            allocator.Free(block);
    }

    void blocksKeepTheirBytesWhileSlabsArePopulatedAhead()
    {
        // Past the first slabs a thread maps pages ahead of the allocator; what was written into
        // blocks handed out meanwhile must stay as written.
        XmlTreeAllocator allocator(std::size_t(128) << 20);
        std::vector<std::uint32_t *> blocks;
        const std::size_t count = (XmlTreeAllocator::SlabsBeforeHugePages + 20) * (XmlTreeAllocator::SlabSize / 256);
        for (std::size_t i = 0; i < count; ++i) {
            auto *block = static_cast<std::uint32_t *>(allocator.Allocate(256));
            QVERIFY(allocator.Owns(block));
            block[0] = std::uint32_t(i);
            block[63] = ~std::uint32_t(i);
            blocks.push_back(block);
        }
        for (std::size_t i = 0; i < count; ++i) {
            QCOMPARE(blocks[i][0], std::uint32_t(i));
            QCOMPARE(blocks[i][63], ~std::uint32_t(i));
        }
        for (auto *block : blocks)
            allocator.Free(block);
    }

    void documentsAreBuiltInSlabs()
    {
        XmlDocument document;
        QVERIFY(document.loadXML(QStringLiteral("<root a='1'><child>text</child><child/></root>")));
        const XmlTreeAllocator *allocator = XmlTreeAllocator::Installed();
        if (!allocator)
            QSKIP("sanitizer build: libxml2 keeps the C library's allocator");
        QVERIFY(allocator->Owns(document.documentElement().rawNode()));
        // A detached node lives on until its document goes, and is then freed with it.
        XmlNode root = document.documentElement();
        XmlNode child = root.firstChild();
        root.removeChild(child);
        QCOMPARE(child.nodeName(), QStringLiteral("child"));
        QCOMPARE(child.text(), QStringLiteral("text"));
    }
};

QTEST_GUILESS_MAIN(TestXmlTreeAllocator)
#include "tst_xmltreeallocator.moc"
