#ifndef KA_XML_LOAD_PLAIN_H
#define KA_XML_LOAD_PLAIN_H

#include <tinyxml.h>

// Parses the file at exactly this path, read straight from the disk (no
// content path resolution, no activity record), its line ends first turned
// into newlines the way TinyXML's own LoadFile turns them, and its text
// padded with zeros as KaXMLLoad pads it. Prints nothing; false when the file
// cannot be read or does not parse.
bool KaXMLLoadPlain(const char* path, TiXmlDocument& document);

#endif
