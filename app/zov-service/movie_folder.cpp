#include "movie_folder.hpp"

#include <algorithm>
#include <system_error>

#include "command_reader.hpp"

namespace zov::service {

namespace fs = std::filesystem;

namespace {

// Names alone: whether `name` has the shape of a movie's file name.
std::optional<MovieFolder::Movie> movieNamed(std::string_view name) {
    if (!isServableName(name)) return std::nullopt;
    fs::path path{std::string(name)};
    MovieFolder::Movie movie;
    movie.uid = path.stem().string();
    movie.extension = path.extension().string();
    if (movie.uid.empty() || movie.extension.empty() || movie.extension == ".ini") {
        return std::nullopt;
    }
    movie.fileName = std::string(name);
    movie.title = movie.uid;
    std::replace(movie.title.begin(), movie.title.end(), '_', ' ');
    return movie;
}

// A link is never followed: one could lead out of the folder.
bool isPlainFile(const fs::path& path) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(path, error);
    return !error && fs::is_regular_file(status);
}

}  // namespace

MovieFolder::MovieFolder(fs::path folder, std::vector<fs::path> withheld)
    : folder_(std::move(folder)), withheld_(std::move(withheld)) {}

std::vector<MovieFolder::Movie> MovieFolder::list() const {
    std::vector<Movie> movies;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        std::optional<Movie> movie = movieNamed(entry.path().filename().string());
        if (movie && isPlainFile(entry.path()) && !isWithheld(entry.path())) {
            movies.push_back(std::move(*movie));
        }
    }
    std::sort(movies.begin(), movies.end(),
              [](const Movie& a, const Movie& b) { return a.fileName < b.fileName; });
    return movies;
}

std::optional<fs::path> MovieFolder::locate(std::string_view name) const {
    if (!movieNamed(name)) return std::nullopt;
    fs::path path = folder_ / std::string(name);
    if (!isPlainFile(path) || isWithheld(path)) return std::nullopt;
    return path;
}

bool MovieFolder::isWithheld(const fs::path& path) const {
    for (const fs::path& withheld : withheld_) {
        std::error_code error;
        if (fs::equivalent(path, withheld, error)) return true;
    }
    return false;
}

}  // namespace zov::service
