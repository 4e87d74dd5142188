#include "library/format/StructureSchema.h"

#include "library/ObjectStore.h"
#include "library/format/XmlText.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Dorv::Orvan::Framework::Common {
namespace {

using namespace Classes;

// Every class reachable from `root` through its properties, in first-seen order.
std::vector<const ClassInfo*> ReachableClasses(const ClassInfo& root) {
    std::vector<const ClassInfo*> order{&root};
    std::set<const ClassInfo*> seen{&root};
    for (std::size_t i = 0; i < order.size(); ++i) {
        for (const PropertyInfo& p : order[i]->properties) {
            if (p.target && seen.insert(&p.target()).second) {
                order.push_back(&p.target());
            }
        }
    }
    return order;
}

std::string ElementFor(const PropertyInfo& p) {
    const std::string name(p.name);
    const auto element = [&](const std::string& type, bool many) {
        return "      <xs:element name=\"" + name + "\" type=\"" + type + "\"" +
               (IsRequired(p.kind) ? "" : " minOccurs=\"0\"") + (many ? " maxOccurs=\"unbounded\"" : "") + "/>\n";
    };
    switch (p.kind) {
        case PropertyKind::String: return element("Text", false);
        case PropertyKind::Int32:
        case PropertyKind::Enum: return element("xs:int", false);
        case PropertyKind::Int64: return element("xs:long", false);
        case PropertyKind::Date:
        case PropertyKind::NullableDate: return element("DateTime", false);
        case PropertyKind::NullableBool: return element("xs:boolean", false);
        case PropertyKind::NullableDouble: return element("Double", false);
        case PropertyKind::StringList: return element("TextMember", true);
        case PropertyKind::Reference: return element("Reference", false);
        case PropertyKind::References: return element("ReferenceMember", true);
        case PropertyKind::Attachment: return element("Attachment", false);
        case PropertyKind::Child: return element(std::string(p.target().name), false);
        case PropertyKind::Children: return element(std::string(p.target().name) + "Member", true);
    }
    return {};
}

constexpr char kCommonTypes[] = R"(  <xs:complexType name="Text">
    <xs:simpleContent>
      <xs:extension base="xs:string">
        <xs:attribute name="escaped" type="xs:boolean"/>
      </xs:extension>
    </xs:simpleContent>
  </xs:complexType>
  <xs:complexType name="TextMember">
    <xs:simpleContent>
      <xs:extension base="Text">
        <xs:attribute name="nil" type="xs:boolean"/>
      </xs:extension>
    </xs:simpleContent>
  </xs:complexType>
  <xs:simpleType name="DateTime">
    <xs:restriction base="xs:dateTime">
      <xs:pattern value="\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}"/>
    </xs:restriction>
  </xs:simpleType>
  <xs:complexType name="Double">
    <xs:simpleContent>
      <xs:extension base="xs:double">
        <xs:attribute name="bits">
          <xs:simpleType>
            <xs:restriction base="xs:string">
              <xs:pattern value="[0-9a-f]{16}"/>
            </xs:restriction>
          </xs:simpleType>
        </xs:attribute>
      </xs:extension>
    </xs:simpleContent>
  </xs:complexType>
  <xs:complexType name="Reference">
    <xs:attribute name="ref" type="xs:positiveInteger" use="required"/>
  </xs:complexType>
  <xs:complexType name="ReferenceMember">
    <xs:attribute name="ref" type="xs:positiveInteger"/>
    <xs:attribute name="nil" type="xs:boolean"/>
  </xs:complexType>
  <xs:complexType name="Attachment">
    <xs:attribute name="entry" use="required">
      <xs:simpleType>
        <xs:restriction base="xs:string">
          <xs:pattern value="attachments/[1-9][0-9]{0,18}"/>
        </xs:restriction>
      </xs:simpleType>
    </xs:attribute>
  </xs:complexType>
)";

}  // namespace

std::string StructureSchema(const ClassInfo& root) {
    const std::string rootName(root.name);
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- Generated from the library's class descriptions; do not edit by hand. -->\n"
        "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns=\"" +
        std::string(XmlNames::kStructureNamespace) + "\"\n           targetNamespace=\"" + XmlNames::kStructureNamespace +
        "\" elementFormDefault=\"qualified\">\n"
        "  <xs:element name=\"" + rootName + "\">\n"
        "    <xs:complexType>\n"
        "      <xs:complexContent>\n"
        "        <xs:extension base=\"" + rootName + "\">\n"
        "          <xs:attribute name=\"formatVersion\" type=\"xs:string\" fixed=\"1\" use=\"required\"/>\n"
        "        </xs:extension>\n"
        "      </xs:complexContent>\n"
        "    </xs:complexType>\n"
        "  </xs:element>\n" + kCommonTypes;
    for (const ClassInfo* info : ReachableClasses(root)) {
        const std::string name(info->name);
        // The properties of a class, once; a single object needs its id, a
        // member of a list may instead be nil (and then empty, so even the
        // properties it would require may be left out).
        out += "  <xs:group name=\"" + name + "Properties\">\n    <xs:sequence>\n";
        for (const PropertyInfo& p : info->properties) {
            out += ElementFor(p);
        }
        out += "    </xs:sequence>\n  </xs:group>\n";
        out += "  <xs:complexType name=\"" + name + "\">\n    <xs:group ref=\"" + name +
               "Properties\"/>\n    <xs:attribute name=\"id\" type=\"xs:positiveInteger\" use=\"required\"/>\n"
               "  </xs:complexType>\n";
        out += "  <xs:complexType name=\"" + name + "Member\">\n    <xs:group ref=\"" + name +
               "Properties\" minOccurs=\"0\"/>\n    <xs:attribute name=\"id\" type=\"xs:positiveInteger\"/>\n"
               "    <xs:attribute name=\"nil\" type=\"xs:boolean\"/>\n  </xs:complexType>\n";
    }
    out += "</xs:schema>\n";
    return out;
}

// What a reader takes for a property whose element is absent: the value of a
// newly made object.
std::string AbsentValue(const PropertyInfo& p, const Object& fresh) {
    switch (p.kind) {
        case PropertyKind::String: return "no text (not an empty one)";
        case PropertyKind::Int32:
        case PropertyKind::Int64:
        case PropertyKind::Enum: return "`" + std::to_string(std::get<std::int64_t>(p.get(fresh))) + "`";
        case PropertyKind::Date: return "none: required";
        case PropertyKind::NullableDate:
        case PropertyKind::NullableBool:
        case PropertyKind::NullableDouble: return "no value";
        case PropertyKind::StringList:
        case PropertyKind::Children:
        case PropertyKind::References: return "an empty list";
        case PropertyKind::Child:
        case PropertyKind::Reference: return "none";
        case PropertyKind::Attachment: return "no content";
    }
    return {};
}

std::string StructureTables(const ClassInfo& root) {
    ObjectStore made;  // the fresh objects whose values stand for absent elements
    std::string out;
    for (const ClassInfo* info : ReachableClasses(root)) {
        out += "### " + std::string(info->name) +
               "\n\n| element | holds | occurs | when absent |\n|---|---|---|---|\n";
        const Object* fresh = made.Make(*info);
        for (const PropertyInfo& p : info->properties) {
            std::string holds;
            std::string occurs = IsRequired(p.kind) ? "exactly 1" : "0 or 1";
            switch (p.kind) {
                case PropertyKind::String: holds = "text"; break;
                case PropertyKind::Int32: holds = "32-bit integer"; break;
                case PropertyKind::Enum: holds = "enumeration number (32-bit integer)"; break;
                case PropertyKind::Int64: holds = "64-bit integer"; break;
                case PropertyKind::Date:
                case PropertyKind::NullableDate: holds = "date-time"; break;
                case PropertyKind::NullableBool: holds = "truth value"; break;
                case PropertyKind::NullableDouble: holds = "double"; break;
                case PropertyKind::StringList: holds = "text, or nil"; occurs = "any number, in order"; break;
                case PropertyKind::Reference: holds = "reference to a " + std::string(p.target().name); break;
                case PropertyKind::References:
                    holds = "reference to a " + std::string(p.target().name) + ", or nil";
                    occurs = "any number, in order";
                    break;
                case PropertyKind::Attachment: holds = "attachment entry"; break;
                case PropertyKind::Child: holds = "a " + std::string(p.target().name); break;
                case PropertyKind::Children:
                    holds = "a " + std::string(p.target().name) + ", or nil";
                    occurs = "any number, in order";
                    break;
            }
            out += "| `" + std::string(p.name) + "` | " + holds + " | " + occurs + " | " + AbsentValue(p, *fresh) + " |\n";
        }
        out += "\n";
    }
    return out;
}

}  // namespace Dorv::Orvan::Framework::Common
