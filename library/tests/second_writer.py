#!/usr/bin/env python3
"""Writes an archive again as another writer may, from the format document alone.

Usage: second_writer.py IN OUT [--level N] [--prefix P] [--crlf] [--bom]
                        [--cdata] [--charrefs] [--reverse-attachments]

It reads IN with zipfile and xml.etree, and writes OUT with the legal choices
asked for: another deflate level for every entry, a namespace prefix instead
of the default namespace, CRLF line ends, a byte order mark, texts as CDATA
sections, every non-ASCII character as a character reference, and the
attachments in reverse order. A reader of the format must load OUT as the
same structure as IN.
"""
import argparse
import xml.etree.ElementTree as ET
import zipfile


def escape(text, charrefs):
    text = text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    if charrefs:
        text = "".join(c if ord(c) < 128 else "&#x%x;" % ord(c) for c in text)
    return text


def serialize(element, options, out, top=False):
    namespace, local = element.tag[1:].split("}")
    name = options.prefix + ":" + local if options.prefix else local
    out.append("<" + name)
    if top:
        attribute = "xmlns:" + options.prefix if options.prefix else "xmlns"
        out.append(' %s="%s"' % (attribute, namespace))
    for key, value in element.attrib.items():
        out.append(' %s="%s"' % (key, escape(value, False).replace('"', "&quot;")))
    out.append(">")
    if element.text is not None and len(element) == 0:
        text = element.text
        if options.cdata and "]]>" not in text:
            out.append("<![CDATA[" + text + "]]>")
        else:
            out.append(escape(text, options.charrefs))
    for child in element:
        out.append("\n")
        serialize(child, options, out)
    if len(element):
        out.append("\n")
    out.append("</" + name + ">")


def document(data, options):
    root = ET.fromstring(data)
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n']
    serialize(root, options, out, top=True)
    text = "".join(out) + "\n"
    if options.crlf:
        text = text.replace("\n", "\r\n")
    return (b"\xef\xbb\xbf" if options.bom else b"") + text.encode("utf-8")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source")
    parser.add_argument("target")
    parser.add_argument("--level", type=int, default=6)
    parser.add_argument("--prefix", default="")
    for flag in ("crlf", "bom", "cdata", "charrefs", "reverse_attachments"):
        parser.add_argument("--" + flag.replace("_", "-"), action="store_true")
    options = parser.parse_args()

    with zipfile.ZipFile(options.source) as source:
        names = source.namelist()
        documents = [n for n in names if n.endswith(".xml")]
        attachments = [n for n in names if n.startswith("attachments/")]
        if options.reverse_attachments:
            attachments.reverse()
        method = zipfile.ZIP_STORED if options.level == 0 else zipfile.ZIP_DEFLATED
        with zipfile.ZipFile(options.target, "w", method, compresslevel=options.level or None) as target:
            for name in documents:
                target.writestr(name, document(source.read(name), options))
            for name in attachments:
                target.writestr(name, source.read(name))


if __name__ == "__main__":
    main()
