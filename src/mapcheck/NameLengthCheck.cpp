#include "mapcheck/NameLengthCheck.h"

#include "zonemap/Zone.h"

#include <string>

void CheckNameLengths(const std::vector<TZone*>& Zones, std::vector<TFinding>& Findings) {
    for (size_t I = 0; I < Zones.size(); ++I) {
        const std::string& Name = Zones[I]->Name();
        if (Name.size() > MaxZoneNameBytes)
            Findings.push_back({"long-name",
                                "has a name of " + std::to_string(Name.size()) +
                                    " bytes, longer than " + std::to_string(MaxZoneNameBytes) +
                                    ": the map shows only its start",
                                {{int32_t(I), Name}}});
    }
}
