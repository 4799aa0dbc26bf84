#pragma once
// PLACEHOLDER until the real implementation lands.
class MprisService {};
