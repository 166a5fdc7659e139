// The plug-in-wide choice between the fast forms of the placer's hot paths and
// the plain reference forms they must match.
//
// The fast forms are the default. The plain forms are chosen for a whole run by
// the environment variable AUTOPLACER_REFERENCE=1 (read once, at the first
// question), or by a test or benchmark through SetReferenceForms, which
// overrides the environment from then on.
#pragma once

namespace autoplacer {

// True when the plain reference forms are to be used.
bool UseReferenceForms();
void SetReferenceForms(bool reference);

// Selects a form for the lifetime of the object and restores the previous
// choice afterwards (tests and benchmarks).
class TReferenceFormsScope {
public:
    explicit TReferenceFormsScope(bool reference) : Previous(UseReferenceForms()) { SetReferenceForms(reference); }
    ~TReferenceFormsScope() { SetReferenceForms(Previous); }
    TReferenceFormsScope(const TReferenceFormsScope&) = delete;
    TReferenceFormsScope& operator=(const TReferenceFormsScope&) = delete;

private:
    bool Previous;
};

}  // namespace autoplacer
