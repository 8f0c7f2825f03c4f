#pragma once

// Makes the tree links of scenes read from a file safe to walk: links whose
// counterpart disagrees, and links that run in a circle, are cut. Files this
// program writes are never touched. Returns whether anything was cut.

#include <vector>

class CSwObj;

bool RepairSceneLinks(const std::vector<CSwObj*>& scenes);
