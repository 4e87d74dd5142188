#pragma once

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/format/XmlEventStream.h"
#include "library/io/ByteSource.h"

namespace Dorv::Orvan::Framework::Common {

// Reads one XML document as a stream of events with a conforming parser
// (expat, on a thread of its own: XmlEventStream), so that memory stays
// bounded whatever the document's size. Every
// well-formedness error is refused; beyond XML itself it refuses a DOCTYPE
// (so no entity can be declared), any version but 1.0, any encoding but
// UTF-8, elements outside the document's namespace, and attributes with a
// namespace. Errors name the document, line, column and element path.
class XmlReader {
public:
    class Handler {
    public:
        // `name` is the local name: every element is in the document's namespace.
        virtual void StartElement(std::string_view name, std::span<const XmlAttribute> attributes) = 0;
        // Character data in pieces, with references and CDATA sections resolved.
        virtual void Characters(std::string_view text) = 0;
        virtual void EndElement() = 0;

    protected:
        ~Handler() = default;
    };

    using Position = XmlPosition;

    // `where` names the document in messages ("archive '...', entry '...'").
    XmlReader(std::wstring where, std::string_view documentNamespace);

    // Feeds all of `source` through the parser, calling `handler`. Exceptions
    // the handler throws come out of here unchanged.
    void Parse(ByteSource& source, Handler& handler);

    // Where the parser is now: the event being handled.
    Position Here() const;
    // Throws OrvanFormatException naming the document, the current position and element path.
    [[noreturn]] void Fail(const std::wstring& problem) const;
    // The same for an earlier position, whose element path is no longer known.
    [[noreturn]] void FailAt(Position at, const std::wstring& problem) const;

    // Throws naming the first attribute that is not in `allowed`.
    void RequireKnown(std::span<const XmlAttribute> attributes, std::initializer_list<std::string_view> allowed) const;
    // The value of a truth-valued attribute ("true", "false", "1", "0"), false when absent.
    bool Flag(std::span<const XmlAttribute> attributes, std::string_view name) const;
    static const std::string_view* Find(std::span<const XmlAttribute> attributes, std::string_view name);

    // Only white space may stand between elements.
    void RequireWhiteSpace(std::string_view text) const;

private:
    // One open element. Siblings of one name stand together in the format's
    // documents (elsewhere the element out of place is refused at once), so
    // counting the run of equal names gives an element's index among them.
    // Levels are reused rather than freed, so reading allocates nothing per element.
    struct Level {
        std::string name;
        std::size_t index = 1;  // among the siblings of the same name, from 1
        std::string lastChild;
        std::size_t lastChildRun = 0;
    };
    // `local`: an element of the document's namespace by its local name (see XmlEventStream).
    void Start(std::string_view local, std::span<const XmlAttribute> attributes, Handler& handler);

    std::wstring Path() const;

    std::wstring where_;
    std::string namespace_;
    std::vector<Level> levels_;
    std::size_t depth_ = 0;  // the open elements are levels_[0, depth_)
    bool parsing_ = false;
    Position here_;  // of the event being handled, while Parse runs
};

}  // namespace Dorv::Orvan::Framework::Common
