#ifndef KA_XML_LOAD_H
#define KA_XML_LOAD_H

#include <tinyxml.h>

#include "engine/core/KaPath.h"

// Reads an XML file whole through KaFile (so the content path is resolved,
// and the open recorded while activity tracking is on) and parses it into the
// document. Failures print one line that starts with the caller's prefix:
//   "<prefix> file :<path> error : could not open file"
//   "<prefix> file :<path> error : <TinyXML's description> ligne : <row> colonne : <column>"
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
bool KaXMLSave(const KaPath& path, const TiXmlDocument& document);

#endif
