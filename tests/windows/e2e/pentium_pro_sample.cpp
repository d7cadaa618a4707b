// Not a saver: a 32-bit program made on purpose with what Windows 95 on an i486 cannot take (a
// C runtime DLL, Pentium and Pentium Pro instructions, MMX), for pe_check_win95_faults.sh.
#include <cstdio>

int main(int argc, char**) {
    int picked = 0;
    asm volatile("cmpl $1, %1\n\tcmovne %1, %0\n\trdtsc\n\temms"
                 : "+r"(picked)
                 : "r"(argc)
                 : "eax", "edx");
    std::printf("%d\n", picked);
    return 0;
}
