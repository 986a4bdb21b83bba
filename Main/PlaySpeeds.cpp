#include "Main/PlaySpeeds.h"

#include "Engine/Movra.h"

namespace {

const PlaySpeed kSpeeds[kSpeedPositions] = {
    {1.0f / 64, L"1/64X"}, {1.0f / 32, L"1/32X"}, {1.0f / 16, L"1/16X"}, {1.0f / 8, L"1/8X"}, {1.0f / 4, L"1/4X"},
    {1.0f / 2, L"1/2X"},   {1.0f, L"1X"},         {2.0f, L"2X"},         {4.0f, L"4X"},       {8.0f, L"8X"},
    {16.0f, L"16X"},       {32.0f, L"32X"},       {64.0f, L"64X"}};

}  // namespace

PlaySpeed SpeedAt(int position) {
    if (position < 0 || position >= kSpeedPositions) return kSpeeds[kNormalSpeedPosition];
    return kSpeeds[position];
}

bool IsNormalSpeed(float factor) { return MOVRA::IsNormalSpeed(factor); }

std::wstring SpeedLabel(int position, bool backward) {
    return (backward ? L"-" : L"") + std::wstring(SpeedAt(position).label);
}

