#include "Engine/EvidenceLabels.h"

namespace MOVRA {

const std::vector<std::pair<const char*, EvidenceLabels::Field>>& EvidenceLabels::Fields() {
    static const std::vector<std::pair<const char*, Field>> fields{{"language", &EvidenceLabels::language},
            {"title", &EvidenceLabels::title},
            {"recordingsFrom", &EvidenceLabels::recordingsFrom},
            {"stretchAskedFor", &EvidenceLabels::stretchAskedFor},
            {"exportedUtc", &EvidenceLabels::exportedUtc},
            {"exportedLocal", &EvidenceLabels::exportedLocal},
            {"program", &EvidenceLabels::program},
            {"note", &EvidenceLabels::note},
            {"exportedFiles", &EvidenceLabels::exportedFiles},
            {"file", &EvidenceLabels::file},
            {"kind", &EvidenceLabels::kind},
            {"channel", &EvidenceLabels::channel},
            {"shows", &EvidenceLabels::shows},
            {"frames", &EvidenceLabels::frames},
            {"size", &EvidenceLabels::size},
            {"sourceRecordings", &EvidenceLabels::sourceRecordings},
            {"recording", &EvidenceLabels::recording},
            {"span", &EvidenceLabels::span},
            {"notExported", &EvidenceLabels::notExported},
            {"what", &EvidenceLabels::what},
            {"why", &EvidenceLabels::why},
            {"clip", &EvidenceLabels::clip},
            {"mp4", &EvidenceLabels::mp4},
            {"snapshot", &EvidenceLabels::snapshot},
            {"channelShort", &EvidenceLabels::channelShort},
            {"extraStream", &EvidenceLabels::extraStream},
            {"bytes", &EvidenceLabels::bytes},
            {"thousands", &EvidenceLabels::thousands},
            {"madeFrom", &EvidenceLabels::madeFrom},
            {"verifyChecks", &EvidenceLabels::verifyChecks}};
    return fields;
}

bool EvidenceLabels::operator==(const EvidenceLabels& other) const {
    for (const auto& [name, field] : Fields())
        if (this->*field != other.*field) return false;
    return true;
}

}  // namespace MOVRA
