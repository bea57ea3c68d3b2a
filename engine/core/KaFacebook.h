#ifndef KA_FACEBOOK_H
#define KA_FACEBOOK_H

#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"

// Social-network sharing, not available on the desktop: every operation does
// nothing and onLogged is never emitted.
class KaFacebook {
public:
    KaFacebook();
    virtual ~KaFacebook();

    void connect(const KaString& applicationId, const KaString& permissions);
    void postToWall(const KaString& title, const KaString& message);

    KaSignal0Param onLogged;
};

#endif
