#include "game/panels/Question2.h"

void Question2::Answer::load(const KaString&, const KaString&, const KaString&) { }
KaLayout* Question2::Answer::layout() { return nullptr; }
void Question2::Answer::unload() { }
bool Question2::Answer::onButtonValidated() { return false; }
Question2::Question2() { }
Question2::~Question2() { }
void Question2::load() { }
void Question2::unload() { }
void Question2::pushAnswer(const KaString&, const KaString&, const KaString&) { }
bool Question2::enter() { return false; }
void Question2::leave() { }
bool Question2::onAnswerValidated(Answer&) { return false; }
