// The second half of the square step's kernels, by their end square (see square_step.cpp).
#define QUORBIT_KERNEL_HALF 1
#include "search/square_step.cpp"
