#include "library/format/XmlEventStream.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include "library/io/Quoted.h"
#include "library/io/StartWorker.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

constexpr int kChunk = 256 << 10;  // fed to expat at a time
constexpr int kLongestChunk = 64 << 20;  // fed at a time into a long token
constexpr std::size_t kBlockBytes = 1 << 20;
constexpr std::size_t kBlocks = 4;
constexpr std::size_t kEventHeader = 1 + sizeof(XmlPosition);
constexpr std::size_t kTextHeader = sizeof(std::uint32_t);

struct ParserDelete {
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

// Thrown inside a callback when the reader has gone: parsing ends.
struct ReaderGone {};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool IsUtf16Mark(const char* start) {
    const std::string_view mark(start, 2);
    return mark == "\xFF\xFE" || mark == "\xFE\xFF";
}

std::uint32_t Saturated(XML_Size count) {
    return static_cast<std::uint32_t>(std::min<XML_Size>(count, std::numeric_limits<std::uint32_t>::max()));
}

XmlPosition Here(XML_Parser parser) {
    return {Saturated(XML_GetCurrentLineNumber(parser)), Saturated(XML_GetCurrentColumnNumber(parser) + 1)};
}

XmlEventStream& Self(void* user) { return *static_cast<XmlEventStream*>(user); }

}  // namespace

XmlEventStream::XmlEventStream(ByteSource& source, std::string_view documentNamespace)
    : source_(source), elementPrefix_(std::string(documentNamespace) + kSeparator), empty_(kBlocks - 1) {
    empty_.reserve(kBlocks + 1);  // handing blocks back never allocates
    Open();
    thread_ = StartWorker("XmlEventStream", [this](const std::stop_token& stop) { Produce(stop); });
    if (!thread_.joinable()) {
        // No second thread (a limit on processes): the reader's thread parses
        // whenever it runs out of events, and expat pauses whenever the
        // blocks are full, so memory stays bounded just the same.
        inline_ = true;
        stop_ = &noStop_;
    }
}

XmlEventStream::~XmlEventStream() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
    XML_ParserFree(static_cast<XML_Parser>(parser_));
}

// ---- The parsing thread ----

void XmlEventStream::Produce(const std::stop_token& stop) {
    stop_ = &stop;
    try {
        Parse(stop);
    } catch (...) {
        Finish(std::current_exception());
    }
}

void XmlEventStream::Parse(const std::stop_token& stop) {
    // The reader gone, nothing more is parsed: a long token (a comment, a
    // huge tag) makes no event that would find out at a handover.
    while (!stop.stop_requested() && Step(stop)) {
    }
    if (!stop.stop_requested()) {
        Finish(nullptr);
    }
}

void XmlEventStream::Open() {
    // The encoding given here overrides any the document declares; a
    // declaration of another encoding is refused below rather than misread.
    std::unique_ptr<XML_ParserStruct, ParserDelete> parser(XML_ParserCreateNS("UTF-8", kSeparator));
    if (!parser) {
        throw std::bad_alloc();
    }
    XML_SetUserData(parser.get(), this);
    XML_SetElementHandler(
        parser.get(),
        [](void* user, const XML_Char* name, const XML_Char** attributes) {
            Self(user).Guarded([&](XmlEventStream& s) {
                s.heldSpace_.clear();  // white space between elements
                std::string_view element(name);
                const bool own = element.starts_with(s.elementPrefix_);
                element.remove_prefix(own ? s.elementPrefix_.size() : 0);
                // One event never spans two blocks: its size comes first.
                std::size_t size = kTextHeader + !own + element.size() + sizeof(std::uint32_t);
                s.lengths_.clear();
                for (const XML_Char** a = attributes; *a; ++a) {
                    s.lengths_.push_back(std::strlen(*a));
                    size += kTextHeader + s.lengths_.back();
                }
                s.Begin(Event::Kind::Start, size);
                s.Put(element, !own);
                s.Put(static_cast<std::uint32_t>(s.lengths_.size() / 2));
                for (std::size_t i = 0; i < s.lengths_.size(); ++i) {
                    s.Put(std::string_view(attributes[i], s.lengths_[i]));
                }
            });
        },
        [](void* user, const XML_Char*) {
            Self(user).Guarded([](XmlEventStream& s) {
                s.FlushHeldSpace();
                s.Begin(Event::Kind::End, 0);
            });
        });
    XML_SetCharacterDataHandler(parser.get(), [](void* user, const XML_Char* text, int length) {
        Self(user).Guarded([&](XmlEventStream& s) {
            const std::string_view characters(text, static_cast<std::size_t>(length));
            if (characters.find_first_not_of(" \t\n\r") != std::string_view::npos) {
                s.FlushHeldSpace();
                s.PutCharacters(characters, Here(static_cast<XML_Parser>(s.parser_)));
                return;
            }
            ++s.events_;  // an event all the same, for how much expat is fed next
            if (s.lastKind_ == Event::Kind::End) {
                return;  // after an element closed: between elements
            }
            if (s.heldSpace_.empty()) {
                s.heldSpaceAt_ = Here(static_cast<XML_Parser>(s.parser_));
            }
            s.heldSpace_.append(characters);
        });
    });
    XML_SetXmlDeclHandler(parser.get(), [](void* user, const XML_Char* version, const XML_Char* encoding, int) {
        Self(user).Guarded([&](XmlEventStream& s) {
            const XmlPosition at = Here(static_cast<XML_Parser>(s.parser_));
            if (version && std::string_view(version) != "1.0") {
                s.Refuse(L"XML version " + Quoted(version) + L" is not supported (only 1.0)", at);
            } else if (encoding && !EqualsIgnoringCase(encoding, "UTF-8")) {
                s.Refuse(L"encoding " + Quoted(encoding) + L" is not supported (only UTF-8)", at);
            }
        });
    });
    XML_SetStartDoctypeDeclHandler(parser.get(), [](void* user, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        Self(user).Guarded([](XmlEventStream& s) {
            s.Refuse(L"a DOCTYPE is not allowed", Here(static_cast<XML_Parser>(s.parser_)));
        });
    });
    parser_ = parser.release();
}

bool XmlEventStream::Step(const std::stop_token& stop) {
    const auto parser = static_cast<XML_Parser>(parser_);
    XML_Status status = XML_STATUS_OK;
    if (suspended_) {
        // The rest of the piece that filled every block.
        suspended_ = false;
        status = XML_ResumeParser(parser);
    } else {
        void* buffer = XML_GetBuffer(parser, chunk_);
        if (!buffer) {
            throw std::bad_alloc();
        }
        const std::size_t n =
            source_.Read(std::span(static_cast<std::byte*>(buffer), static_cast<std::size_t>(chunk_)));
        const std::uint64_t eventsBefore = events_;
        lastPiece_ = n == 0;
        // expat follows a UTF-16 byte order mark whatever encoding it was given.
        if (first_ && n >= 2 && IsUtf16Mark(static_cast<const char*>(buffer))) {
            Refuse(L"encoding UTF-16 is not supported (only UTF-8)", Here(parser));
        } else {
            status = XML_ParseBuffer(parser, static_cast<int>(n), lastPiece_);
        }
        first_ = false;
        // expat scans an unfinished token from its start again with every piece
        // fed: a comment or a tag of hundreds of megabytes, fed 256 KiB at a time,
        // costs minutes. A piece that made no event is followed by one twice as
        // large, so a long token is scanned a few times over at most.
        chunk_ = events_ != eventsBefore ? kChunk : std::min(chunk_ * 2, kLongestChunk);
    }
    if (status == XML_STATUS_SUSPENDED) {
        suspended_ = true;
        suspending_ = false;
    } else if (status != XML_STATUS_OK && !stopped_) {
        Refuse(L"malformed XML (" + Quoted(XML_ErrorString(XML_GetErrorCode(parser))) + L")", Here(parser));
    }
    if (pending_) {
        std::rethrow_exception(pending_);
    }
    if (stopped_ || (lastPiece_ && !suspended_)) {
        return false;
    }
    // A reader with nothing to do gets what this piece made at once, so
    // that a handler refusing it need not wait until a block fills.
    return HandOverIfWaiting(stop);
}

template <typename Work>
void XmlEventStream::Guarded(Work work) {
    if (stopped_) {
        return;  // expat may deliver a few events after being stopped
    }
    // No exception may cross expat's C frames: it is kept and thrown once
    // expat has returned.
    try {
        work(*this);
    } catch (const ReaderGone&) {
        stopped_ = true;
    } catch (...) {
        pending_ = std::current_exception();
        stopped_ = true;
    }
    if (stopped_) {
        XML_StopParser(static_cast<XML_Parser>(parser_), XML_FALSE);
    }
}

void XmlEventStream::Begin(Event::Kind kind, std::size_t size) {
    ++events_;
    size += kEventHeader;
    if (writing_.size + size > writing_.capacity) {
        if (writing_.size > 0 && !Ship(*stop_)) {
            throw ReaderGone{};
        }
        if (size > writing_.capacity) {
            // Blocks are made once and reused; only an event larger than a
            // block makes its block larger.
            writing_.capacity = std::max(size, kBlockBytes);
            writing_.bytes = std::make_unique_for_overwrite<char[]>(writing_.capacity);
        }
        if (inline_ && !suspending_ && empty_.empty()) {
            // The reader is this very thread and takes no block before expat
            // returns: expat pauses here, in a callback where it may, and
            // goes on once the reader has emptied blocks (expat may still
            // deliver an event or two, which the block being written holds).
            suspending_ = true;
            XML_StopParser(static_cast<XML_Parser>(parser_), XML_TRUE);
        }
    }
    lastKind_ = kind;
    Put(static_cast<char>(kind));
    Put(Here(static_cast<XML_Parser>(parser_)));
}

void XmlEventStream::PutCharacters(std::string_view text, XmlPosition at) {
    Begin(Event::Kind::Characters, kTextHeader + text.size());
    std::memcpy(writing_.bytes.get() + writing_.size - sizeof at, &at, sizeof at);  // where the text began
    Put(text);
}

void XmlEventStream::FlushHeldSpace() {
    if (!heldSpace_.empty()) {
        PutCharacters(heldSpace_, heldSpaceAt_);
        heldSpace_.clear();
    }
}

template <typename T>
void XmlEventStream::Put(const T& value) {
    std::memcpy(writing_.bytes.get() + writing_.size, &value, sizeof value);  // within what Begin made room for
    writing_.size += sizeof value;
}

void XmlEventStream::Put(std::string_view text, bool foreign) {
    // A document holds at most 512 MiB.
    Put(static_cast<std::uint32_t>(foreign + text.size()));
    if (foreign) {
        writing_.bytes[writing_.size++] = kSeparator;
    }
    std::memcpy(writing_.bytes.get() + writing_.size, text.data(), text.size());
    writing_.size += text.size();
}

bool XmlEventStream::Ship(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    full_.push_back(std::move(writing_));
    changed_.notify_all();
    if (inline_ && empty_.empty()) {
        writing_ = Block{};  // the reader, this very thread, waits for this one
        return true;
    }
    if (!changed_.wait(lock, stop, [&] { return !empty_.empty(); })) {
        return false;
    }
    writing_ = std::move(empty_.back());
    empty_.pop_back();
    writing_.size = 0;
    return true;
}

bool XmlEventStream::HandOverIfWaiting(const std::stop_token& stop) {
    if (writing_.size == 0) {
        return true;
    }
    {
        const std::lock_guard lock(mutex_);
        if (!full_.empty()) {
            return true;  // the reader has blocks to handle still
        }
    }
    // With none full, at most the reader's block is not free: this takes an
    // empty one without waiting.
    return Ship(stop);
}

void XmlEventStream::Refuse(std::wstring problem, XmlPosition at) {
    stopped_ = true;
    problem_ = std::move(problem);  // published with the end, under the lock
    problemAt_ = at;
}

void XmlEventStream::Finish(std::exception_ptr exception) noexcept {
    const std::lock_guard lock(mutex_);
    if (writing_.size > 0) {
        try {
            full_.push_back(std::move(writing_));
        } catch (...) {
            exception = std::current_exception();  // no memory to hand the last events over
        }
    }
    exception_ = std::move(exception);
    ended_ = true;
    changed_.notify_all();
}

// ---- The reader ----

bool XmlEventStream::TakeBlock() {
    std::unique_lock lock(mutex_);
    if (reading_.bytes) {
        // A block made larger for one large event goes: the next is made anew.
        Block done = std::exchange(reading_, Block{});
        empty_.push_back(done.capacity > kBlockBytes ? Block{} : std::move(done));
        changed_.notify_all();
    }
    while (inline_ && full_.empty() && !ended_) {
        lock.unlock();
        try {
            if (!Step(noStop_)) {
                Finish(nullptr);
            }
        } catch (...) {
            Finish(std::current_exception());
        }
        lock.lock();
    }
    changed_.wait(lock, [&] { return !full_.empty() || ended_; });
    if (full_.empty()) {
        return false;
    }
    reading_ = std::move(full_.front());
    full_.pop_front();
    readAt_ = 0;
    return true;
}

template <typename T>
T XmlEventStream::Get() {
    T value;
    std::memcpy(&value, reading_.bytes.get() + readAt_, sizeof value);
    readAt_ += sizeof value;
    return value;
}

std::string_view XmlEventStream::GetText() {
    const auto length = Get<std::uint32_t>();
    const std::string_view text(reading_.bytes.get() + readAt_, length);
    readAt_ += length;
    return text;
}

const XmlEventStream::Event* XmlEventStream::Next() {
    while (readAt_ >= reading_.size) {
        if (!TakeBlock()) {
            if (exception_) {
                std::rethrow_exception(std::exchange(exception_, nullptr));
            }
            if (event_.kind == Event::Kind::Failure || problem_.empty()) {
                return nullptr;
            }
            event_ = Event{Event::Kind::Failure, problemAt_, {}, {}, {}};
            return &event_;
        }
    }
    event_.kind = static_cast<Event::Kind>(Get<char>());
    event_.at = Get<XmlPosition>();
    switch (event_.kind) {
        case Event::Kind::Start: {
            event_.name = GetText();
            const auto count = Get<std::uint32_t>();
            attributes_.clear();
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::string_view name = GetText();
                attributes_.push_back(XmlAttribute{name, GetText()});
            }
            event_.attributes = attributes_;
            break;
        }
        case Event::Kind::Characters:
            event_.text = GetText();
            break;
        case Event::Kind::End:
        case Event::Kind::Failure:
            break;
    }
    return &event_;
}

}  // namespace Dorv::Orvan::Framework::Common
