#ifndef KA_ZONE_PARSER_H
#define KA_ZONE_PARSER_H

#include "engine/core/KaString.h"
#include "tools/scene/KaZoneDescription.h"

// Reads a zone description, the XML text format of tools/scene/README.md,
// into a KaZoneDescription. The reader is strict, because a slip in a
// hand-written file would otherwise show up only as a wrong picture or a
// floor that cannot be walked: an unknown element or attribute, a missing
// attribute, a number that is not a whole finite number, a vertex index past
// the vertices, a name used twice, a shape whose material or a scene record
// whose walkable zone does not exist all refuse the file. A refused file
// prints one console line naming the file, the line and the fault, and
// leaves the description empty.
class KaZoneParser {
public:
    static bool read(const KaString& path, KaZoneDescription& zone);
    // The same on text already in memory; fileName only names it in the
    // message.
    static bool parse(const KaString& text, const KaString& fileName, KaZoneDescription& zone);
};

#endif
