#pragma once

// Makes the tree links of scenes read from a file safe to walk: links whose
// counterpart disagrees, and links that run in a circle, are cut. Files this
// program writes are never touched. Returns the ids of the scenes whose links
// were cut, in ascending order.

#include <cstdint>
#include <vector>

class CSwObj;

std::vector<std::int32_t> RepairSceneLinks(const std::vector<CSwObj*>& scenes);
