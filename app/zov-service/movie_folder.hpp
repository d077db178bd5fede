#pragma once
// The one folder the service serves movies from, and the one place that decides what in it
// is a movie: the guide lists exactly what the delivery server sends. A movie is a regular
// file (never a link) directly in the folder, named "uid.extension", that is no side file
// and not one of the files withheld (such as the subscriber list kept beside the movies).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zov::service {

class MovieFolder {
  public:
    struct Movie {
        std::string uid;        // the file name without its extension
        std::string extension;  // with its dot
        std::string fileName;
        std::string title;  // the uid with underscores as spaces
    };

    explicit MovieFolder(std::filesystem::path folder,
                         std::vector<std::filesystem::path> withheld = {});

    // Sorted by file name; empty when the folder cannot be read.
    std::vector<Movie> list() const;
    // The movie's path when `name`, as a client sent it, names a movie of the folder.
    std::optional<std::filesystem::path> locate(std::string_view name) const;

    const std::filesystem::path& folder() const { return folder_; }

  private:
    bool isWithheld(const std::filesystem::path& path) const;

    std::filesystem::path folder_;
    std::vector<std::filesystem::path> withheld_;
};

}  // namespace zov::service
