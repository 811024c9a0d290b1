// gifkit's view of a loaded image: the stable JSON description and the
// per-frame dumps.
#pragma once

#include "gif/GIFImage.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

struct TWarningRecord {
  TGIFSeverity Severity;
  std::string Message;
};

const char* SeverityName(TGIFSeverity s);

// The description "gifkit info --json" prints (see main.cpp for the keys).
nlohmann::json DescribeImage(TGIFImage& image, const std::vector<TWarningRecord>& warnings);

// Plain-text form of the same description.
std::string DescribeText(const nlohmann::json& info);
