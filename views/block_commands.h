#pragma once
// Command ids of the block selection, its operations, Redo and shading. They
// sit beside the specified ids of the main frame and clash with none of them.
namespace zlm::cmd {

inline constexpr int kSelectAll = 57642; // Ctrl+A
inline constexpr int kRedo = 57644; // Ctrl+Y
inline constexpr int kSetValue = 33001; // Ctrl+E
inline constexpr int kAddValue = 33002; // Ctrl+D
inline constexpr int kScale = 33003; // Ctrl+M
inline constexpr int kInterpolate = 33004; // Ctrl+I
inline constexpr int kSmooth = 33005; // Ctrl+T
inline constexpr int kShading = 33006; // Window menu check item

} // namespace zlm::cmd
