// tw_benchgen: writes large XML documents for the benchmarks.
//
//   tw_benchgen --kind data --size-mb N   [--seed S] [--reuse] PATH
//   tw_benchgen --kind deep --depth N     [--reuse] PATH
//   tw_benchgen --kind wide --children N  [--reuse] PATH
//
// "data" is an order export of records as real exports look: an XML declaration, a stylesheet
// instruction, indentation, attributes, nested elements with text, comments, CDATA sections,
// non-ASCII UTF-8 text and entity-escaped characters. It is exactly N MiB long. "deep" nests N
// elements, "wide" gives one element N children. The output depends only on the arguments (a
// fixed seed by default), so every run of the benchmark reads the same bytes.
//
// The file is written beside PATH under a temporary name and renamed into place at the end, so
// a file at PATH is always complete. With --reuse an existing file is kept when its head holds
// the marker comment these arguments write and its size and end are right.

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bumped whenever the output for the same arguments changes, so that --reuse regenerates.
constexpr int FormatVersion = 1;
constexpr std::uint64_t DefaultSeed = 20240917;
constexpr std::uint64_t MiB = 1024 * 1024;

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "tw_benchgen: %s\n", message.c_str());
    std::exit(1);
}

// splitmix64: small, fast and the same on every platform.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); the bias of the modulo does not matter here.
    unsigned below(unsigned n) { return unsigned(next() % n); }
    bool chance(unsigned percent) { return below(100) < percent; }
    template <typename T, std::size_t N> const T &pick(const std::array<T, N> &items) { return items[below(N)]; }

private:
    std::uint64_t m_state;
};

// Buffered writer to a FILE: appends to a string and hands it to fwrite a megabyte at a time.
class Writer
{
public:
    explicit Writer(std::FILE *file) : m_file(file) { m_buffer.reserve(2 * MiB); }

    void put(std::string_view text)
    {
        m_buffer.append(text);
        if (m_buffer.size() >= MiB)
            flush();
    }
    void put(char c) { m_buffer.push_back(c); }
    void number(std::uint64_t value, int width = 0)
    {
        char digits[24];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
        for (int pad = width - int(end - digits); pad > 0; --pad)
            m_buffer.push_back('0');
        m_buffer.append(digits, end);
    }
    // A decimal with two places, such as a price: cents / 100.
    void decimal2(std::uint64_t cents)
    {
        number(cents / 100);
        put('.');
        number(cents % 100, 2);
    }
    void indent(int level) { m_buffer.append(std::size_t(level) * 2, ' '); }
    void flush()
    {
        if (!m_buffer.empty() && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
            fail(std::string("write failed: ") + std::strerror(errno));
        m_written += m_buffer.size();
        m_buffer.clear();
    }
    // Bytes written so far, including what is still buffered.
    std::uint64_t size() const { return m_written + m_buffer.size(); }

private:
    std::FILE *m_file;
    std::string m_buffer;
    std::uint64_t m_written = 0;
};

struct Options
{
    std::string kind;
    std::string path;
    std::uint64_t sizeMb = 0;
    std::uint64_t depth = 10000;
    std::uint64_t children = 100000;
    std::uint64_t seed = DefaultSeed;
    bool reuse = false;
};

const char *const Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";

// The comment that follows the prolog of every file; --reuse looks for it.
std::string marker(const Options &o)
{
    std::string m = "<!-- tw_benchgen format " + std::to_string(FormatVersion) + " kind=" + o.kind;
    if (o.kind == "data")
        m += " size-mb=" + std::to_string(o.sizeMb) + " seed=" + std::to_string(o.seed);
    else if (o.kind == "deep")
        m += " depth=" + std::to_string(o.depth);
    else
        m += " children=" + std::to_string(o.children);
    return m + " -->\n";
}

// ---- data: an export of orders ------------------------------------------------------------

// Text fragments. Those with markup characters are written escaped, as an exporter writes them;
// several carry characters outside ASCII in two, three and four UTF-8 bytes.
const std::array<std::string_view, 16> FirstNames = {
    "Jürgen", "Amélie", "Søren", "Zoë", "José", "Łukasz", "Ærin", "Noémie",
    "Dmitri", "Ingrid", "Chloé", "Björn", "Yuki", "Mateus", "Ágnes", "Oliver"};
const std::array<std::string_view, 16> LastNames = {
    "Müller", "Østergaard", "García", "Nowak", "O&apos;Brien", "Dubois", "Åström", "Kovačević",
    "Schäfer", "Rossi", "Smith &amp; Sons", "Tanaka", "Ferreira", "Nagy", "Ivanov", "Lefèvre"};
const std::array<std::string_view, 12> Cities = {
    "München", "São Paulo", "Kraków", "Zürich", "Москва", "東京", "Αθήνα", "Reykjavík",
    "Montréal", "İstanbul", "Praha", "Lisboa"};
const std::array<std::string_view, 12> Countries = {"DE", "BR", "PL", "CH", "RU", "JP", "GR", "IS", "CA", "TR", "CZ", "PT"};
// One per city, in the same order.
const std::array<std::string_view, 12> Streets = {
    "Hauptstraße", "Rua Augusta", "ul. Floriańska", "Bahnhofstrasse", "Тверская улица",
    "Chūō-dōri", "Οδός Ερμού", "Laugavegur", "Rue Saint-Denis", "İstiklal Caddesi", "Národní třída",
    "Rua do Ouro"};
const std::array<std::string_view, 14> Products = {
    "Widget &amp; gadget set", "Café crème, 1 kg", "Cable 2 m &lt;USB-C&gt;", "Ski wax “Pro”",
    "Tea — Darjeeling", "Notebook A5 (½ size)", "Lamp 40 W &#8364; saver", "Rope 10 m × 8 mm",
    "Coffee mug ☕", "Rocket kit 🚀", "Soap &quot;Lavender&quot;", "Chair, oak", "Ink ¥ cartridge",
    "Batteries AA ×4"};
const std::array<std::string_view, 5> Statuses = {"new", "paid", "shipped", "delivered", "returned"};
const std::array<std::string_view, 4> Currencies = {"EUR", "USD", "JPY", "CHF"};
const std::array<std::string_view, 8> Notes = {
    "Customer wrote: \"Please deliver <before> 5 pm & ring twice.\"",
    "Gift wrap; card text: <3 Happy birthday!",
    "if (qty > 10 && stock < qty) { backorder(); }",
    "Leave at the door. Code: #4711 & 'B'",
    "Rechnung bitte an <buchhaltung@example.de> schicken.",
    "Fragile: glass > 2 mm, do not stack > 3 high.",
    "Returned item <broken> — refund 100 %",
    "See ticket <T-2291> & <T-2292>"};
const std::array<std::string_view, 6> Comments = {
    " imported from the shop front ", " checked by fraud screening ", " address corrected by hand ",
    " priority raised: repeat customer ", " split shipment ", " legacy id kept for the archive "};
const std::array<std::string_view, 6> Descriptions = {
    "Livraison prévue en moins de 48 h — « express ».",
    "Lieferung &lt; 3 Tage, Versand &amp; Verpackung inklusive.",
    "Entrega em até 5 dias úteis.",
    "配送は3日以内です。",
    "Доставка курьером до двери.",
    "Delivery within 2 days &#x2014; tracking by e-mail."};

void dateTime(Writer &w, Random &r)
{
    w.number(2015 + r.below(10));
    w.put('-');
    w.number(1 + r.below(12), 2);
    w.put('-');
    w.number(1 + r.below(28), 2);
    w.put('T');
    w.number(r.below(24), 2);
    w.put(':');
    w.number(r.below(60), 2);
    w.put(':');
    w.number(r.below(60), 2);
    w.put('Z');
}

void record(Writer &w, Random &r, std::uint64_t index)
{
    w.indent(1);
    w.put("<order id=\"O");
    w.number(index, 8);
    w.put("\" status=\"");
    w.put(r.pick(Statuses));
    w.put("\" created=\"");
    dateTime(w, r);
    w.put("\" priority=\"");
    w.number(1 + r.below(5));
    w.put("\">\n");

    const unsigned place = r.below(unsigned(Cities.size()));
    w.indent(2);
    w.put("<customer ref=\"C");
    w.number(r.below(1000000), 6);
    w.put("\" country=\"");
    w.put(Countries[place]);
    w.put("\">\n");
    w.indent(3);
    w.put("<name>");
    w.put(r.pick(FirstNames));
    w.put(' ');
    w.put(r.pick(LastNames));
    w.put("</name>\n");
    w.indent(3);
    w.put("<email>customer");
    w.number(r.below(1000000));
    w.put("@example.org</email>\n");
    w.indent(3);
    w.put("<address type=\"");
    w.put(r.chance(70) ? "home" : "work");
    w.put("\">\n");
    w.indent(4);
    w.put("<street>");
    w.put(Streets[place]);
    w.put(' ');
    w.number(1 + r.below(200));
    w.put("</street>\n");
    w.indent(4);
    w.put("<city>");
    w.put(Cities[place]);
    w.put("</city>\n");
    w.indent(4);
    w.put("<postcode>");
    w.number(r.below(100000), 5);
    w.put("</postcode>\n");
    w.indent(3);
    w.put("</address>\n");
    w.indent(2);
    w.put("</customer>\n");

    const unsigned items = 1 + r.below(5);
    const std::string_view currency = r.pick(Currencies);
    w.indent(2);
    w.put("<items count=\"");
    w.number(items);
    w.put("\">\n");
    std::uint64_t total = 0;
    for (unsigned i = 0; i < items; ++i) {
        const unsigned qty = 1 + r.below(9);
        const std::uint64_t cents = 50 + r.below(50000);
        total += qty * cents;
        w.indent(3);
        w.put("<item sku=\"SKU-");
        w.number(r.below(100000), 5);
        w.put("\" qty=\"");
        w.number(qty);
        w.put("\" price=\"");
        w.decimal2(cents);
        w.put("\" currency=\"");
        w.put(currency);
        w.put("\">");
        w.put(r.pick(Products));
        w.put("</item>\n");
    }
    w.indent(2);
    w.put("</items>\n");
    w.indent(2);
    w.put("<total currency=\"");
    w.put(currency);
    w.put("\">");
    w.decimal2(total);
    w.put("</total>\n");

    if (r.chance(20)) {
        w.indent(2);
        w.put("<!--");
        w.put(r.pick(Comments));
        w.put("-->\n");
    }
    if (r.chance(30)) {
        w.indent(2);
        w.put("<note><![CDATA[");
        w.put(r.pick(Notes));
        w.put("]]></note>\n");
    }
    if (r.chance(50)) {
        w.indent(2);
        w.put("<description lang=\"");
        static const std::array<std::string_view, 6> Languages = {"fr", "de", "pt", "ja", "ru", "en"};
        const unsigned d = r.below(unsigned(Descriptions.size()));
        w.put(Languages[d]);
        w.put("\">");
        w.put(Descriptions[d]);
        w.put("</description>\n");
    }
    w.indent(1);
    w.put("</order>\n");
}

// Records until the next one might not fit, then a padding comment so the file is exactly
// size-mb MiB: the benchmark compares files of one size, and --reuse can check it.
void writeData(Writer &w, const Options &o)
{
    const std::uint64_t target = o.sizeMb * MiB;
    const std::string_view closing = "</orders>\n";
    // Far more than any one record, the padding comment's own markup and the closing tag.
    constexpr std::uint64_t Reserve = 4096;
    if (target < 8192)
        fail("--size-mb must be at least 1");

    Random r(o.seed);
    w.put(Declaration);
    w.put("<?xml-stylesheet type=\"text/xsl\" href=\"orders.xsl\"?>\n");
    w.put(marker(o));
    w.put("<orders xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"orders.xsd\""
          " exported=\"2024-09-17T08:00:00Z\" source=\"shop &amp; warehouse\">\n");
    std::uint64_t index = 1;
    while (w.size() + Reserve < target) {
        if (index % 500 == 1) {
            w.indent(1);
            w.put("<!-- batch ");
            w.number(index / 500 + 1);
            w.put(" -->\n");
        }
        record(w, r, index++);
    }
    // "  <!--" + padding + "-->\n" + closing fills the rest.
    const std::uint64_t fixed = 2 + 4 + 4 + closing.size();
    const std::uint64_t left = target - w.size();
    std::uint64_t pad = left - fixed;
    w.put("  <!--");
    while (pad > 0) {
        const std::uint64_t n = pad < 64 ? pad : 64;
        w.put(std::string_view("                                                                ", n));
        pad -= n;
    }
    w.put("-->\n");
    w.put(closing);
}

// ---- deep: N nested elements ---------------------------------------------------------------

void writeDeep(Writer &w, const Options &o)
{
    if (o.depth < 1)
        fail("--depth must be at least 1");
    w.put(Declaration);
    w.put(marker(o));
    // One element per line, without indentation: indenting by depth would make the file
    // quadratic in the depth.
    for (std::uint64_t level = 1; level <= o.depth; ++level) {
        w.put("<level n=\"");
        w.number(level);
        w.put("\">Level ");
        w.number(level);
        w.put(" – tiefer\n");
    }
    for (std::uint64_t level = o.depth; level >= 1; --level)
        w.put("</level>\n");
}

// ---- wide: one element with N children -----------------------------------------------------

void writeWide(Writer &w, const Options &o)
{
    w.put(Declaration);
    w.put(marker(o));
    w.put("<entries>\n");
    for (std::uint64_t i = 1; i <= o.children; ++i) {
        w.put("  <entry n=\"");
        w.number(i);
        w.put("\" key=\"k");
        w.number(i, 6);
        w.put("\">Entry ");
        w.number(i);
        w.put(" &amp; value é</entry>\n");
    }
    w.put("</entries>\n");
}

std::uint64_t parseCount(const char *option, const char *text)
{
    std::uint64_t value = 0;
    const char *end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end)
        fail(std::string(option) + " needs a whole number, not \"" + text + "\"");
    return value;
}

[[noreturn]] void usage(int code)
{
    std::fprintf(code ? stderr : stdout,
                 "usage: tw_benchgen --kind data --size-mb N [--seed S] [--reuse] PATH\n"
                 "       tw_benchgen --kind deep [--depth N] [--reuse] PATH      (default 10000)\n"
                 "       tw_benchgen --kind wide [--children N] [--reuse] PATH   (default 100000)\n"
                 "  --reuse  keep PATH when it already holds this document\n");
    std::exit(code);
}

Options parseArguments(int argc, char **argv)
{
    Options o;
    bool sizeGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> const char * {
            if (i + 1 >= argc)
                fail(std::string(arg) + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h")
            usage(0);
        else if (arg == "--kind")
            o.kind = value();
        else if (arg == "--size-mb") {
            o.sizeMb = parseCount("--size-mb", value());
            sizeGiven = true;
        } else if (arg == "--depth")
            o.depth = parseCount("--depth", value());
        else if (arg == "--children")
            o.children = parseCount("--children", value());
        else if (arg == "--seed")
            o.seed = parseCount("--seed", value());
        else if (arg == "--reuse")
            o.reuse = true;
        else if (arg == "--out" || arg == "-o")
            o.path = value();
        else if (!arg.empty() && arg[0] == '-')
            fail("unknown option " + std::string(arg));
        else if (o.path.empty())
            o.path = std::string(arg);
        else
            usage(2);
    }
    if (o.path.empty() || (o.kind != "data" && o.kind != "deep" && o.kind != "wide"))
        usage(2);
    if (o.kind == "data" && !sizeGiven)
        fail("--kind data needs --size-mb");
    return o;
}

// True when `path` holds the document these options describe: the marker in its head, the exact size for data documents, and the closing tag at the end of all of them.
bool alreadyThere(const Options &o)
{
    struct stat st {};
    if (::stat(o.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (o.kind == "data" && std::uint64_t(st.st_size) != o.sizeMb * MiB)
        return false;
    std::FILE *f = std::fopen(o.path.c_str(), "rb");
    if (!f)
        return false;
    std::string head(1024, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), f));
    char tail[16] = {};
    const bool tailRead = st.st_size >= 16 && std::fseek(f, -16, SEEK_END) == 0 && std::fread(tail, 1, 16, f) == 16;
    std::fclose(f);
    if (head.find(marker(o)) == std::string::npos)
        return false;
    const std::string_view end(tail, sizeof tail);
    const std::string_view closing = o.kind == "data" ? "</orders>\n" : o.kind == "deep" ? "</level>\n" : "</entries>\n";
    return tailRead && end.substr(end.size() - closing.size()) == closing;
}

} // namespace

int main(int argc, char **argv)
{
    const Options o = parseArguments(argc, argv);
    if (o.reuse && alreadyThere(o)) {
        std::printf("%s: kept (already generated)\n", o.path.c_str());
        return 0;
    }
    const std::string temp = o.path + ".part";
    std::FILE *file = std::fopen(temp.c_str(), "wb");
    if (!file)
        fail("cannot create " + temp + ": " + std::strerror(errno));
    std::setvbuf(file, nullptr, _IONBF, 0); // Writer buffers already
    Writer w(file);
    if (o.kind == "data")
        writeData(w, o);
    else if (o.kind == "deep")
        writeDeep(w, o);
    else
        writeWide(w, o);
    w.flush();
    if (std::fclose(file) != 0)
        fail("cannot write " + temp + ": " + std::strerror(errno));
    if (std::rename(temp.c_str(), o.path.c_str()) != 0)
        fail("cannot rename " + temp + " to " + o.path + ": " + std::strerror(errno));
    std::printf("%s: %llu bytes written\n", o.path.c_str(), static_cast<unsigned long long>(w.size()));
    return 0;
}
