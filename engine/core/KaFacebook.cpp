#include "engine/core/KaFacebook.h"

KaFacebook::KaFacebook() = default;

KaFacebook::~KaFacebook() = default;

void KaFacebook::connect(const KaString&, const KaString&) { }

void KaFacebook::postToWall(const KaString&, const KaString&) { }
