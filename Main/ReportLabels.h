#pragma once
// The evidence report's words in the user's language, for the engine that writes the report.
// UI thread only (the language table is the UI's).
#include "Engine/EvidenceLabels.h"

MOVRA::EvidenceLabels TranslatedEvidenceLabels();
