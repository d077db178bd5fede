#include <iostream>
#include <string_view>

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--version") {
        std::cout << "ZOV 5.3.135\n";
        return 0;
    }
    std::cerr << "usage: zov --version\n";
    return 2;
}
