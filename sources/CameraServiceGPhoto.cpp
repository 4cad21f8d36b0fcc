#include "sources/CameraServiceGPhoto.h"

#include <gphoto2/gphoto2-version.h>
#include <gphoto2/gphoto2.h>

#include <QMutex>
#include <QMutexLocker>

#include <unistd.h>

namespace {

// Loading the camera drivers and looking ports up touch lists that
// libgphoto2 does not guard; the sessions themselves are per thread.
QMutex& libraryMutex() {
    static QMutex mutex;
    return mutex;
}

// Keeps the last error text the library reports on a context, which says
// more than the bare result code.
class Context {
public:
    Context() : m_context(gp_context_new()) {
        gp_context_set_error_func(m_context, &Context::onError, this);
    }
    ~Context() { gp_context_unref(m_context); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    GPContext* get() const { return m_context; }

    QString why(int result) {
        QString text = QString::fromUtf8(gp_result_as_string(result));
        if (!m_lastError.isEmpty())
            text += QStringLiteral(": ") + m_lastError;
        m_lastError.clear();
        return text;
    }

private:
    static void onError(GPContext*, const char* text, void* self) {
        static_cast<Context*>(self)->m_lastError = QString::fromUtf8(text).trimmed();
    }
    GPContext* m_context;
    QString m_lastError;
};

struct CameraListHolder {
    CameraListHolder() { gp_list_new(&list); }
    ~CameraListHolder() { gp_list_free(list); }
    CameraListHolder(const CameraListHolder&) = delete;
    CameraListHolder& operator=(const CameraListHolder&) = delete;
    CameraList* list = nullptr;
};

struct FileHolder {
    ~FileHolder() {
        if (file)
            gp_file_unref(file);
    }
    CameraFile* file = nullptr;
};

// Folder cameras nest only so deep; a link loop on one must not run forever.
constexpr int maxFolderDepth = 32;

class GPhotoSession : public CameraSession {
public:
    GPhotoSession(Camera* camera, GPPortInfoList* ports) : m_camera(camera), m_ports(ports) {}
    ~GPhotoSession() override {
        gp_camera_exit(m_camera, m_context.get());
        gp_camera_unref(m_camera);
        gp_port_info_list_free(m_ports);
    }

    Result<QList<DeviceFile>> listFiles() override {
        QList<DeviceFile> files;
        const Status walked = walk(QStringLiteral("/"), 0, files);
        if (!walked)
            return Result<QList<DeviceFile>>::fail(walked.error());
        return Result<QList<DeviceFile>>::ok(files);
    }

    Result<QByteArray> preview(const DeviceFile& file) override {
        return fetch(file, GP_FILE_TYPE_PREVIEW);
    }

    Result<QByteArray> read(const DeviceFile& file) override {
        return fetch(file, GP_FILE_TYPE_NORMAL);
    }

    Status download(const DeviceFile& file, int fd) override {
        const int own = ::dup(fd); // the library closes what it is given
        if (own < 0)
            return Status::fail(QStringLiteral("out of file descriptors"));
        FileHolder holder;
        if (gp_file_new_from_fd(&holder.file, own) != GP_OK) {
            ::close(own);
            return Status::fail(QStringLiteral("out of memory"));
        }
        const int result =
            gp_camera_file_get(m_camera, file.folder.toUtf8().constData(), file.name.constData(),
                               GP_FILE_TYPE_NORMAL, holder.file, m_context.get());
        if (result < GP_OK)
            return Status::fail(m_context.why(result));
        return Status::ok();
    }

    Status remove(const DeviceFile& file) override {
        const int result = gp_camera_file_delete(m_camera, file.folder.toUtf8().constData(),
                                                 file.name.constData(), m_context.get());
        if (result < GP_OK)
            return Status::fail(m_context.why(result));
        return Status::ok();
    }

private:
    Result<QByteArray> fetch(const DeviceFile& file, CameraFileType type) {
        using R = Result<QByteArray>;
        FileHolder holder;
        if (gp_file_new(&holder.file) != GP_OK)
            return R::fail(QStringLiteral("out of memory"));
        const int result =
            gp_camera_file_get(m_camera, file.folder.toUtf8().constData(), file.name.constData(),
                               type, holder.file, m_context.get());
        if (result < GP_OK)
            return R::fail(m_context.why(result));
        const char* data = nullptr;
        unsigned long size = 0;
        if (gp_file_get_data_and_size(holder.file, &data, &size) != GP_OK || !data)
            return R::fail(QStringLiteral("the device sent nothing"));
        return R::ok(QByteArray(data, qsizetype(size)));
    }

    Status walk(const QString& folder, int depth, QList<DeviceFile>& files) {
        if (depth > maxFolderDepth)
            return Status::ok();
        const QByteArray path = folder.toUtf8();
        CameraListHolder names;
        int result =
            gp_camera_folder_list_files(m_camera, path.constData(), names.list, m_context.get());
        if (result < GP_OK)
            return Status::fail(QStringLiteral("%1: %2").arg(folder, m_context.why(result)));
        for (int i = 0, n = gp_list_count(names.list); i < n; ++i) {
            const char* name = nullptr;
            gp_list_get_name(names.list, i, &name);
            if (!name)
                continue;
            CameraFileInfo info{};
            if (gp_camera_file_get_info(m_camera, path.constData(), name, &info, m_context.get()) <
                GP_OK) {
                m_context.why(result); // forget the message: the file is left out
                continue;
            }
            DeviceFile file;
            file.folder = folder;
            file.name = QByteArray(name);
            if (info.file.fields & GP_FILE_INFO_TYPE)
                file.mimeType = QString::fromUtf8(info.file.type);
            if (info.file.fields & GP_FILE_INFO_SIZE)
                file.size = qint64(info.file.size);
            file.kind = deviceFileKind(file.mimeType, QString::fromUtf8(file.name));
            if (!file.kind.isEmpty())
                files << file;
        }
        CameraListHolder folders;
        result = gp_camera_folder_list_folders(m_camera, path.constData(), folders.list,
                                               m_context.get());
        if (result < GP_OK)
            return Status::fail(QStringLiteral("%1: %2").arg(folder, m_context.why(result)));
        for (int i = 0, n = gp_list_count(folders.list); i < n; ++i) {
            const char* name = nullptr;
            gp_list_get_name(folders.list, i, &name);
            if (!name)
                continue;
            QString child = folder;
            if (!child.endsWith(QLatin1Char('/')))
                child += QLatin1Char('/');
            const Status walked = walk(child + QString::fromUtf8(name), depth + 1, files);
            if (!walked)
                return walked;
        }
        return Status::ok();
    }

    Context m_context;
    Camera* m_camera;
    GPPortInfoList* m_ports;
};

class GPhotoCameraService : public CameraService {
public:
    ~GPhotoCameraService() override {
        if (m_abilities)
            gp_abilities_list_free(m_abilities);
    }

    Result<QList<DeviceInfo>> detect() override {
        using R = Result<QList<DeviceInfo>>;
        QList<DeviceInfo> devices;
        {
            Context context;
            CameraListHolder found;
            QMutexLocker lock(&libraryMutex());
            const int result = gp_camera_autodetect(found.list, context.get());
            if (result < GP_OK)
                return R::fail(context.why(result));
            for (int i = 0, n = gp_list_count(found.list); i < n; ++i) {
                const char* model = nullptr;
                const char* port = nullptr;
                gp_list_get_name(found.list, i, &model);
                gp_list_get_value(found.list, i, &port);
                if (model && port)
                    devices.append({QString::fromUtf8(model), QString::fromUtf8(port)});
            }
        }
        for (const DeviceInfo& extra : extraCameraPorts()) {
            if (!devices.contains(extra))
                devices << extra;
        }
        return R::ok(devices);
    }

    Result<std::unique_ptr<CameraSession>> open(const DeviceInfo& device) override {
        using R = Result<std::unique_ptr<CameraSession>>;
        Context context;
        Camera* camera = nullptr;
        GPPortInfoList* ports = nullptr;
        {
            QMutexLocker lock(&libraryMutex());
            if (!m_abilities) {
                gp_abilities_list_new(&m_abilities);
                gp_abilities_list_load(m_abilities, context.get());
            }
            const int model =
                gp_abilities_list_lookup_model(m_abilities, device.model.toUtf8().constData());
            if (model < GP_OK)
                return R::fail(QStringLiteral("no driver for %1").arg(device.model));
            CameraAbilities abilities;
            gp_abilities_list_get_abilities(m_abilities, model, &abilities);
            gp_port_info_list_new(&ports);
            gp_port_info_list_load(ports);
            const int port = gp_port_info_list_lookup_path(ports, device.port.toUtf8().constData());
            GPPortInfo info;
            if (port < GP_OK || gp_port_info_list_get_info(ports, port, &info) < GP_OK) {
                gp_port_info_list_free(ports);
                return R::fail(QStringLiteral("no port %1").arg(device.port));
            }
            gp_camera_new(&camera);
            gp_camera_set_abilities(camera, abilities);
            gp_camera_set_port_info(camera, info);
        }
        const int result = gp_camera_init(camera, context.get());
        if (result < GP_OK) {
            const QString why = context.why(result);
            gp_camera_unref(camera);
            gp_port_info_list_free(ports);
            return R::fail(QStringLiteral("%1 on %2: %3").arg(device.model, device.port, why));
        }
        return R::ok(std::make_unique<GPhotoSession>(camera, ports));
    }

private:
    CameraAbilitiesList* m_abilities = nullptr;
};

} // namespace

std::unique_ptr<CameraService> makeGPhotoCameraService() {
    return std::make_unique<GPhotoCameraService>();
}

QString cameraLibraryVersion() {
    const char** version = gp_library_version(GP_VERSION_SHORT);
    return version && version[0] ? QString::fromUtf8(version[0]) : QString();
}
