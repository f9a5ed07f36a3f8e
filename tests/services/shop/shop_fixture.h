#pragma once
// A shop import wired to a routed test server, a list of the failures reported and an album,
// with real pictures to serve.
#include "net/loader/routed_server.h"
#include "services/shop_import.h"
#include "support/picture_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace velomira::testing {

class ShopFixture : public ::testing::Test {
  protected:
    ShopFixture() {
        client.config.connectTimeout = std::chrono::milliseconds(3000);
        client.config.ioTimeout = std::chrono::milliseconds(3000);
    }

    // Serves a small real picture at /pics/<name> and returns its address; the bytes served
    // are remembered in `served`.
    std::string servePicture(const std::string& name, const std::string& colour,
                             const std::string& format = "jpg") {
        std::string source = writeSolidPicture(folder.file("src-" + name), 8, 6, colour, format);
        std::string bytes = readWholeFile(source);
        server.route("/pics/" + name, test::okReply(bytes));
        served[server.url("/pics/" + name)] = bytes;
        return server.url("/pics/" + name);
    }

    int load(int pictureType, const std::string& address) {
        return importShopItem(context, album, ProductLoadRequest{pictureType, address});
    }

    // The bytes of the album's pictures, in album order.
    std::vector<std::string> albumFileBytes() const {
        std::vector<std::string> bytes;
        for (const AlbumItem& item : project.items)
            bytes.push_back(readWholeFile(item.path));
        return bytes;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const Failure& message : failures)
            texts.push_back(message.text);
        return texts;
    }

    TempFolder folder;
    RoutedServer server;
    HttpClient client;
    NetConfig config;
    AlbumProject project;
    TransitionRandom random{11};
    std::vector<std::string> statuses;
    std::vector<std::string> infos;
    std::vector<Failure> failures;
    std::map<std::string, std::string> served;
    AlbumTarget album{project, random, true};
    ProductFetchContext context{client,
                                config,
                                {},
                                folder.path() / "temp",
                                [this](const std::string& text) { statuses.push_back(text); },
                                [this](const std::string& text) { infos.push_back(text); },
                                [this](const Failure& failure) { failures.push_back(failure); },
                                {},
                                {},
                                {}};
};

} // namespace velomira::testing
