// The fixed facts of Deflate64's code: what each length and distance code
// stands for, the order in which code-length code lengths are sent, and the
// codes of fixed-code blocks.
#pragma once

#include <cstdint>

#include "coding/HuffmanTable.h"

namespace ovk {

constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kFirstLength = 257;
constexpr unsigned kMaxLitLenCodes = 286;
constexpr unsigned kMaxDistanceCodes = 32;
constexpr unsigned kCodeLengthCodes = 19;

// Bits of each code's first table step.
constexpr unsigned kLitLenFirstBits = 10;
constexpr unsigned kDistanceFirstBits = 8;
constexpr unsigned kCodeLengthFirstBits = 7;

// A code stands for base plus the value of its extra bits.
struct CodeRange {
  std::uint16_t base;
  std::uint8_t extraBits;
};

// Length codes 257-285; 285 is Deflate64's own: 3 plus 16 extra bits.
inline constexpr CodeRange kLengthRanges[29] = {
    {3, 0},   {4, 0},   {5, 0},   {6, 0},   {7, 0},   {8, 0},   {9, 0},   {10, 0},  {11, 1},  {13, 1},
    {15, 1},  {17, 1},  {19, 2},  {23, 2},  {27, 2},  {31, 2},  {35, 3},  {43, 3},  {51, 3},  {59, 3},
    {67, 4},  {83, 4},  {99, 4},  {115, 4}, {131, 5}, {163, 5}, {195, 5}, {227, 5}, {3, 16}};

// Codes 30 and 31 reach the 64 KiB window.
inline constexpr CodeRange kDistanceRanges[kMaxDistanceCodes] = {
    {1, 0},      {2, 0},      {3, 0},      {4, 0},      {5, 1},      {7, 1},      {9, 2},     {13, 2},
    {17, 3},     {25, 3},     {33, 4},     {49, 4},     {65, 5},     {97, 5},     {129, 6},   {193, 6},
    {257, 7},    {385, 7},    {513, 8},    {769, 8},    {1025, 9},   {1537, 9},   {2049, 10}, {3073, 10},
    {4097, 11},  {6145, 11},  {8193, 12},  {12289, 12}, {16385, 13}, {24577, 13}, {32769, 14}, {49153, 14}};

// Code-length symbols 16, 17 and 18: the previous length again 3-6 times,
// zeros 3-10 times, zeros 11-138 times.
inline constexpr CodeRange kRepeatRanges[3] = {{3, 2}, {3, 3}, {11, 7}};

inline constexpr std::uint8_t kCodeLengthOrder[kCodeLengthCodes] = {16, 17, 18, 0,  8, 7,  9, 6,  10, 5,
                                                                    11, 4,  12, 3, 13, 2, 14, 1, 15};

struct FixedCodes {
  HuffmanTable litLen;
  HuffmanTable distance;
};
// Built once, shared by every decoder.
const FixedCodes& FixedBlockCodes();

}  // namespace ovk
