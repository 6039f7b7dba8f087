#pragma once

// The bar above an entry's page that says its pictures from the web were not loaded, with the two ways to load
// them: for this entry, or always for its feed.

#include <QFrame>

class QLabel;
class QPushButton;

namespace tidewick {

class TImageBar : public QFrame {
  Q_OBJECT

 public:
  explicit TImageBar(QWidget* parent);

 signals:
  void LoadClicked();
  void AlwaysClicked();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Translate();

  QLabel* m_label;
  QPushButton* m_load;
  QPushButton* m_always;
};

}  // namespace tidewick
