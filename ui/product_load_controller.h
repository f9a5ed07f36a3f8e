#pragma once
// "加载宝贝" in the window: the address dialog, the download on its own thread, and each picture
// added to the album and the picture list as it arrives.
#include "services/shop_import.h"
#include "ui/command_table.h"
#include "ui/main_window_view.h"
#include "ui/picture_list_controller.h"
#include "ui/product_load_command.h"
#include "ui/window_services.h"

#include <memory>

namespace velomira {

class ProductLoadController {
  public:
    ProductLoadController(MainWindowView& view, AlbumProject& album, TransitionRandom& random,
                          const MainWindowServices& services, PictureListController& pictures);
    ~ProductLoadController(); // shutdown()
    ProductLoadController(const ProductLoadController&) = delete;
    ProductLoadController& operator=(const ProductLoadController&) = delete;

    void registerCommands(CommandTable& table);
    // The command is there when the window has the address dialog and the network settings.
    bool available() const;
    // The program closes: a download still running is abandoned.
    void shutdown();

  private:
    PictureTaken addPicture(const std::string& path);
    void finished(int added);
    void load();

    MainWindowView& view_;
    AlbumProject& album_;
    TransitionRandom& random_;
    const MainWindowServices& services_;
    PictureListController& pictures_;
    // Posted calls test this before touching the controller: it may be gone by then.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<ProductLoadCommand> command_;
};

} // namespace velomira
