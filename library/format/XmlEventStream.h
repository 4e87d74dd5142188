#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "library/io/ByteSource.h"

namespace Dorv::Orvan::Framework::Common {

// An attribute without a namespace prefix, as the documents of the format use them.
struct XmlAttribute {
    std::string_view name;
    std::string_view value;
};

// A place in an XML document, as expat counts: lines and columns from 1.
// Documents are far smaller than 4 GiB; a count beyond shows as the largest.
struct XmlPosition {
    std::uint32_t line = 0;
    std::uint32_t column = 0;
};

// The events of one XML document, parsed by expat on a thread of its own and
// handed over in blocks of a megabyte, so that parsing and handling the
// events take two cores: for a large document each takes about as long as
// the other. At most four blocks exist, so memory stays bounded whatever the
// document's size (one event larger than a block makes its block larger, for
// that event only). A reader waiting for events gets what each piece of the
// document made at once, so that a handler's refusal ends the parsing soon;
// where no thread can be started, the reader's thread parses whenever it runs
// out of events, and expat pauses when the blocks are full, so the same bound
// holds (one block more at most, for the events expat delivers as it pauses).
//
// What a reader of the format's documents never needs is left out on the
// parsing thread: elements of the document's namespace come by their local
// names, and white space between elements (around an element that opens or
// after one that closes) makes no event; white space that is all of an
// element's text does.
class XmlEventStream {
public:
    // Separates namespace and local name in the names of attributes and of
    // elements outside the document's namespace: "namespace\x01local", or
    // just "local" without a namespace. Such an element's name starts with it:
    // "\x01namespace\x01local", "\x01local".
    static constexpr char kSeparator = '\x01';

    struct Event {
        enum class Kind : std::uint8_t { Start, Characters, End, Failure };
        Kind kind = Kind::End;
        XmlPosition at;  // where the event begins
        std::string_view name;  // Start: the element's name
        std::span<const XmlAttribute> attributes;  // Start: with names as above
        std::string_view text;  // Characters, with references and CDATA resolved
    };

    // Starts parsing all of `source`, which must outlive this stream, a
    // document in `documentNamespace`.
    XmlEventStream(ByteSource& source, std::string_view documentNamespace);
    ~XmlEventStream();  // stops the parsing and waits for its thread
    XmlEventStream(const XmlEventStream&) = delete;
    XmlEventStream& operator=(const XmlEventStream&) = delete;

    // The next event, valid until the next call; nothing after the document's
    // end. A document that is not well-formed, declares a version other than
    // 1.0 or an encoding other than UTF-8, starts with a UTF-16 byte order
    // mark or has a DOCTYPE ends in a Failure event, after every event before
    // the fault; Problem() says what is wrong. What reading `source` throws
    // comes out of here, also after the events before it.
    const Event* Next();
    const std::wstring& Problem() const { return problem_; }

private:
    // Events as bytes: a header (kind, position), then texts as a 32-bit
    // length and the bytes, an element's attribute count before its attributes.
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity = 0;
        std::size_t size = 0;
    };

    // The parsing thread.
    void Produce(const std::stop_token& stop);
    void Parse(const std::stop_token& stop);
    // Makes the parser.
    void Open();
    // Parses the next piece of the source; false when nothing is left to parse.
    bool Step(const std::stop_token& stop);
    // Runs an expat callback: a failure inside stops the parser.
    template <typename Work>
    void Guarded(Work work);
    // Starts an event of `size` bytes after its header, in the block written
    // or, when it does not fit, in the next.
    void Begin(Event::Kind kind, std::size_t size);
    void PutCharacters(std::string_view text, XmlPosition at);
    // Hands over the white space held back since an element opened: it is
    // that element's text, unless another element opens first.
    void FlushHeldSpace();
    template <typename T>
    void Put(const T& value);
    // A text; `foreign` puts kSeparator before it.
    void Put(std::string_view text, bool foreign = false);
    // Hands the block written over and takes an empty one; false when the
    // reader has gone.
    bool Ship(const std::stop_token& stop);
    // Ships the block written, however full, when the reader has none to
    // handle; false when the reader has gone.
    bool HandOverIfWaiting(const std::stop_token& stop);
    void Refuse(std::wstring problem, XmlPosition at);
    void Finish(std::exception_ptr exception) noexcept;

    // The reading side.
    bool TakeBlock();
    template <typename T>
    T Get();
    std::string_view GetText();

    ByteSource& source_;
    std::string elementPrefix_;  // the document's namespace and the separator

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<Block> full_;
    std::vector<Block> empty_;
    bool ended_ = false;
    std::exception_ptr exception_;
    std::wstring problem_;
    XmlPosition problemAt_;

    // The parsing thread's own.
    void* parser_ = nullptr;  // the expat parser
    Block writing_;
    std::vector<std::size_t> lengths_;  // of the attribute names and values of an element
    Event::Kind lastKind_ = Event::Kind::End;  // of the event written last
    std::string heldSpace_;  // white space after an element opened, not yet handed over
    XmlPosition heldSpaceAt_;
    bool stopped_ = false;  // no more events: a failure or the reader gone
    std::exception_ptr pending_;  // thrown in a callback, rethrown after expat returns
    const std::stop_token* stop_ = nullptr;
    bool first_ = true;  // no piece parsed yet
    int chunk_ = 256 << 10;  // bytes fed to expat next
    std::uint64_t events_ = 0;  // made so far
    bool inline_ = false;  // no thread: the reader's thread parses
    bool suspending_ = false;  // inline: expat was asked to pause, every block being full
    bool suspended_ = false;  // inline: expat paused inside a piece, to be resumed
    bool lastPiece_ = false;  // the end of the source has been fed
    std::stop_token noStop_;  // what stops the parsing then: nothing

    // The reader's own.
    Block reading_;
    std::size_t readAt_ = 0;
    Event event_;
    std::vector<XmlAttribute> attributes_;

    std::jthread thread_;  // last: stopped and joined before the rest goes
};

}  // namespace Dorv::Orvan::Framework::Common
