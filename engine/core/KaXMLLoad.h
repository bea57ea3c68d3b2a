#ifndef KA_XML_LOAD_H
#define KA_XML_LOAD_H

#include <functional>
#include <string>

#include <tinyxml.h>

#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"

// TinyXML's parser calls itself once for each level of nested elements, so a
// hostile file of a few tens of thousands of nested tags overflows the stack.
// No file of the game nests anywhere near this deep; every text is measured
// before TinyXML sees it and refused beyond this.
const unsigned int KaXMLMaxDepth = 256;

// How deeply TinyXML would nest the elements of text (which ends at its first
// zero byte) when parsing it with that encoding: the same reading of tags,
// quoted values, comments, CDATA sections, declarations and, in UTF-8, of
// multi-byte sequences, so the value is never below the depth TinyXML reaches.
// Counting stops once it passes limit. *used, when given, receives the
// encoding TinyXML reads the rest of the text in: for TIXML_ENCODING_UNKNOWN
// the one a byte-order mark or the first declaration chooses (LEGACY for a
// declared encoding other than UTF-8), UNKNOWN when neither says.
unsigned int KaXMLNestingDepth(
    const char* text, TiXmlEncoding encoding, unsigned int limit = KaXMLMaxDepth, TiXmlEncoding* used = nullptr);

// Parses text with TinyXML unless it nests deeper than KaXMLMaxDepth; then the
// document is left empty with TinyXML's element error set and null returned.
// Text that may end inside a UTF-8 sequence must be followed by a few zero
// bytes (KaXMLLoad's own texts are).
const char* KaXMLParse(TiXmlNode& node, const char* text, TiXmlEncoding encoding);
// The description printed for a text refused for its depth.
extern const char* const KaXMLTooDeepText;

// Reads an XML file whole through KaFile (so the content path is resolved,
// and the open recorded while activity tracking is on) and parses it into the
// document. Failures print one line that starts with the caller's prefix:
//   "<prefix> file :<path> error : could not open file"
//   "<prefix> file :<path> error : <TinyXML's description> ligne : <row> colonne : <column>"
// (a text nested too deeply gets KaXMLTooDeepText as its description, line 0)
// (row and column counted from 1; 0 when the error has no place in the text).
//
// The file's bytes, followed by zero bytes, stay alive after the call: in
// *buffer when a buffer is given (the caller owns it, delete[]; it is
// overwritten without being freed), otherwise in the shared KaXMLBuffer,
// which the next load without a buffer, a parse error, or KaXMLFreeBuffer
// frees. The parsed document never points into either.
bool KaXMLLoad(const KaPath& path, TiXmlDocument& document, const char* prefix, unsigned char** buffer = nullptr);
// Frees the shared buffer; nothing when there is none.
void KaXMLFreeBuffer();

// The bytes of the last file loaded without a caller's buffer; null when
// there are none. Owned by the loader: read it, never free or keep it.
extern unsigned char* KaXMLBuffer;

// Writes the document to exactly this path (no resolution) without ever
// leaving a half-written file in its place: the text goes to a temporary file
// beside it, which then replaces the old file in one step. The written text
// must read back as XML before it takes the old file's place: TinyXML can
// write text it will not read again (bytes that are not UTF-8 in a value), and
// such a save would lose the game it replaces. A declaration's values are
// written escaped so that they survive the next load. False when any step
// fails; errno tells why (EILSEQ for text that does not read back) and the old
// file is untouched.
//
// check, when given, sees the written text as the next load will read it, and
// refuses it by returning false with the reason: the save then fails with
// errno EILSEQ and that reason in *refusal.
using KaXMLCheck = std::function<bool(const KaString& text, KaString& reason)>;
bool KaXMLSave(const KaPath& path, const TiXmlDocument& document, const KaXMLCheck& check = KaXMLCheck(),
    KaString* refusal = nullptr);

// Attribute values that come back byte for byte: the C-string accessors end
// at a zero byte, and some builds of TinyXML write a value's "&#x" sequence
// as it stands (so "&#x41;" would read back as "A"). Set and read values that may
// hold any bytes through these; with a declaration of "ISO-8859-1" bytes
// above 127 are read back as they were written.
void KaXMLSetAttribute(TiXmlElement& element, const char* name, const char* bytes, unsigned long length);
// False when the attribute is missing.
bool KaXMLAttribute(const TiXmlElement& element, const char* name, KaString& value);


#endif
